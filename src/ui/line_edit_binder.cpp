// A text box: its text, caret and selection both ways.
#include "ui/binder.h"
#include "ui/widgets.h"

#include <QLineEdit>

#include <algorithm>

namespace kurumin::ui {

namespace {

// A line edit lays its whole text out again at every paint, its caret's blink
// included: megabytes copied would cost a share of a core while they stay.
constexpr qsizetype MaxShownText = 8192;

// Losing the focus clears a line edit's selection; the model keeps it, as the
// next command (PICK reached by Tab) works on it.
class TextBox : public QLineEdit {
  public:
    using QLineEdit::QLineEdit;
    bool leaving = false;

  protected:
    void focusOutEvent(QFocusEvent* e) override {
        leaving = true;
        QLineEdit::focusOutEvent(e);
        leaving = false;
    }
};

// Where the caret and selection stand, as the model counts them.
std::pair<int, int> selectionOf(const QLineEdit* e) {
    if (e->hasSelectedText())
        return {e->selectionStart(), static_cast<int>(e->selectedText().size())};
    return {e->cursorPosition(), 0};
}

class LineEditBinder final : public Binder {
  public:
    LineEditBinder(Ctl id, QWidget* parent, BinderHost& host)
        : Binder(new TextBox(parent), id, host) {
        TextBox* e = edit();
        e->setFrame(false);
        e->setTextMargins(1, 0, 1, 0);
        // Typing, and what a screen reader or an input tool puts in, alike.
        connect(e, &QLineEdit::textChanged, this, &LineEditBinder::typed);
        connect(e, &QLineEdit::cursorPositionChanged, this, &LineEditBinder::selected);
        connect(e, &QLineEdit::selectionChanged, this, &LineEditBinder::selected);
    }

    void show(const Control& c) override {
        TextBox* e = edit();
        setTextColors(e, c);
        // Past any address's length it shows the start, and is not edited, as
        // an edit of the start would drop the rest.
        const bool cut = c.caption.size() > MaxShownText;
        const QString shown = cut ? c.caption.left(MaxShownText) : c.caption;
        if (e->text() != shown) e->setText(shown);
        if (e->isReadOnly() != cut) e->setReadOnly(cut);
        // Setting it repaints even when unchanged.
        if (e->alignment() != toQtAlign(c.align)) e->setAlignment(toQtAlign(c.align));
        // A caret left past a shortened text stands at its end.
        const int size = static_cast<int>(c.caption.size());
        const int start = std::clamp(c.selStart, 0, size);
        const int length = std::clamp(c.selLength, 0, size - start);
        if (selectionOf(e) == std::pair{start, length}) return;
        if (length > 0) {
            e->setSelection(start, length);
        } else {
            e->deselect();
            e->setCursorPosition(start);
        }
    }

  private:
    TextBox* edit() const { return static_cast<TextBox*>(widget()); }

    void typed(const QString& text) {
        if (host_.syncing()) return;
        // A shortened text takes no edit at all.
        if (edit()->isReadOnly() || !host_.fromUser(id_).editText(id_, text))
            return host_.refused(id_);
        selected();
    }
    // Any change but the focus leaving, by a person or through the
    // accessibility interface, is the model's.
    void selected() {
        if (host_.syncing() || edit()->leaving) return;
        const auto [start, length] = selectionOf(edit());
        if (!host_.fromUser(id_).editSelection(id_, start, length)) host_.refused(id_);
    }
};

} // namespace

Binder* bindLineEdit(Ctl id, QWidget* parent, BinderHost& host) {
    return new LineEditBinder(id, parent, host);
}

} // namespace kurumin::ui
