#include "ui/panel_view.h"

#include "ui/widgets.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace kurumin {

using namespace ui;

namespace {

// The memo keeps CR LF line breaks in the model, the editor plain LF.
QString memoToView(const QString& s) {
    QString v = s;
    v.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return v;
}
QString memoToModel(const QString& s) {
    QString m = s;
    m.replace(u'\n', QLatin1String("\r\n"));
    return m;
}
int viewToModelPos(const QString& viewText, int pos) {
    return pos + static_cast<int>(viewText.left(pos).count(u'\n'));
}
int modelToViewPos(const QString& modelText, int pos) {
    return pos - static_cast<int>(modelText.left(pos).count(QLatin1String("\r\n")));
}

void setColor(QWidget* w, QPalette::ColorRole role, const QColor& c) {
    QPalette p = w->palette();
    if (p.color(QPalette::Active, role) == c) return;
    p.setColor(QPalette::Active, role, c);
    p.setColor(QPalette::Inactive, role, c);
    w->setPalette(p);
}

// Where the text box's caret and selection stand, as the model counts them.
std::pair<int, int> selectionOf(const QLineEdit* e) {
    if (e->hasSelectedText())
        return {e->selectionStart(), static_cast<int>(e->selectedText().size())};
    return {e->cursorPosition(), 0};
}

// A tooltip window renders any text that looks like markup as rich text; the
// titles and addresses shown in them are the pages' and the user's, and are
// shown as they are.
QString plainToolTip(const QString& tip) {
    if (!Qt::mightBeRichText(tip)) return tip;
    return QStringLiteral("<p style='white-space:pre'>") + tip.toHtmlEscaped() +
           QStringLiteral("</p>");
}

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

constexpr qsizetype MaxShownTip = 4096;
constexpr qsizetype MaxShownText = 8192;

} // namespace

PanelView::PanelView(Panel& panel, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      panel_(panel) {
    setWindowTitle(QStringLiteral("Kurumin"));
    setAccessibleName(QStringLiteral("Kurumin"));
    setFont(panelFont());
    setAutoFillBackground(true);
    setColor(this, QPalette::Window, toQColor(colors::PanelBack));
    setMouseTracking(true);
    QWidget::resize(toPixels({0, 0, PanelWidth, FoldedHeight}, this).size());
    seenChanged(); // a hidden window has its resize told only once shown
    build();
    sync();
    connect(&panel_.changes(), &PanelChanges::changed, this, &PanelView::sync);
}

PanelView::~PanelView() {
    // The widgets go before the QObject does: no sync may reach them half gone.
    disconnect(&panel_.changes(), nullptr, this, nullptr);
    panel_.attachWindow(nullptr);
}

QWidget* PanelView::widget(const QString& name) const {
    const std::optional<Ctl> id = controlNamed(name);
    return id ? widget(*id) : nullptr;
}

QWidget* PanelView::makeLineEdit(Ctl id) {
    auto* e = new TextBox(this);
    e->setFrame(false);
    e->setTextMargins(1, 0, 1, 0);
    // Typing, and what a screen reader or an input tool puts in, alike.
    connect(e, &QLineEdit::textChanged, this, [this, e, id](const QString& text) {
        if (syncing_) return;
        // A shortened text takes no edit at all.
        if (e->isReadOnly() || !fromUser(id).editText(id, text)) return refused(id);
        userSelection(id);
    });
    connect(e, &QLineEdit::cursorPositionChanged, this, [this, id] { userSelection(id); });
    connect(e, &QLineEdit::selectionChanged, this, [this, id] { userSelection(id); });
    return e;
}

QWidget* PanelView::makeMemo(Ctl id) {
    auto* m = new QPlainTextEdit(this);
    m->setFrameShape(QFrame::NoFrame);
    m->viewport()->setMouseTracking(true);
    m->viewport()->installEventFilter(this);
    ids_.insert(m->viewport(), id);
    connect(m, &QPlainTextEdit::textChanged, this, [this, m, id] {
        if (!syncing_ && !fromUser(id).editText(id, memoToModel(m->toPlainText()))) refused(id);
    });
    connect(m, &QPlainTextEdit::cursorPositionChanged, this, [this, id] { userSelection(id); });
    connect(m, &QPlainTextEdit::selectionChanged, this, [this, id] { userSelection(id); });
    return m;
}

QWidget* PanelView::makeComboBox(Ctl id) {
    auto* box = new QComboBox(this);
    box->setEditable(true);
    // The list is the model's: Enter in the edit field adds nothing.
    box->setInsertPolicy(QComboBox::NoInsert);
    box->lineEdit()->setMouseTracking(true);
    box->lineEdit()->installEventFilter(this);
    ids_.insert(box->lineEdit(), id);
    connect(box, &QComboBox::activated, this, [this, id](int index) {
        if (!syncing_ && !fromUser(id).selectItem(id, index)) refused(id);
    });
    connect(box->lineEdit(), &QLineEdit::textChanged, this, [this, id](const QString& t) {
        if (!syncing_ && !fromUser(id).editText(id, t)) refused(id);
    });
    return box;
}

QWidget* PanelView::makeWidget(const Control& c) {
    switch (c.kind) {
    case ControlKind::Label:
        if (c.clickable) return new FlatButton(Bevel::None, this);
        {
            auto* l = new QLabel(this);
            l->setTextFormat(Qt::PlainText);
            return l;
        }
    case ControlKind::Button:
        return new FlatButton(Bevel::Raised, this);
    case ControlKind::TextBox:
        return makeLineEdit(c.id);
    case ControlKind::MemoBox:
        return makeMemo(c.id);
    case ControlKind::ComboBox:
        return makeComboBox(c.id);
    case ControlKind::Shape:
        return new ShapeWidget(this);
    case ControlKind::Picture:
        return new GripWidget(this);
    case ControlKind::Form:
    case ControlKind::ListBox:
        break;
    }
    return nullptr;
}

void PanelView::build() {
    for (const Control& c : panel_.c) {
        QWidget* w = makeWidget(c);
        if (!w) continue;
        const Ctl id = c.id;
        w->setObjectName(controlName(id));
        w->setMouseTracking(true);
        // A move or press over a control is that control's, never also the background's.
        w->setAttribute(Qt::WA_NoMousePropagation);
        w->installEventFilter(this);
        ids_.insert(w, id);
        if (auto* b = qobject_cast<FlatButton*>(w)) {
            connect(b, &QAbstractButton::clicked, this, [this, id] {
                if (!syncing_) panel_.click(id);
            });
        }
        widgets_[static_cast<std::size_t>(id)] = w;
    }
    // The exit controls close the tab chain: the first stop is where the focus
    // goes when nothing holds it, and a key there must not end the run.
    QWidget* last = nullptr;
    auto chain = [&last](QWidget* w) {
        if (!w || w->focusPolicy() == Qt::NoFocus) return;
        if (last) setTabOrder(last, w);
        last = w;
    };
    for (const Control& c : panel_.c)
        if (!isExitControl(c.id)) chain(widget(c.id));
    for (const Ctl id : ExitControls) {
        if (auto* b = qobject_cast<FlatButton*>(widget(id))) b->setKeysOnlyAfterTab(true);
        chain(widget(id));
    }
}

void PanelView::sync() {
    syncing_ = true;
    for (const Control& c : panel_.c) {
        QWidget* w = widget(c.id);
        std::optional<Control>& shown = shown_[static_cast<std::size_t>(c.id)];
        if (!w || (shown && *shown == c)) continue;
        syncControl(c, w);
        shown = c;
    }
    if (panel_.focusAsked() != focusApplied_) {
        focusApplied_ = panel_.focusAsked();
        // A hidden control (folded away, past the edge) cannot hold it.
        QWidget* w = panel_.focus() ? widget(*panel_.focus()) : nullptr;
        if (w && w->isVisibleTo(this)) w->setFocus(Qt::OtherFocusReason);
    }
    syncing_ = false;
}

void PanelView::syncControl(const Control& c, QWidget* w) {
    // txtNow's tooltip is its text, which may be megabytes copied: a tooltip
    // window or a screen reader shows no more than a screenful of it anyway.
    const QString tip = c.toolTip.left(MaxShownTip);
    const QString shownTip = plainToolTip(tip);
    if (w->toolTip() != shownTip) w->setToolTip(shownTip);
    // A screen reader reads the text, not the markup around it.
    if (w->accessibleDescription() != tip) w->setAccessibleDescription(tip);
    const bool editable = c.editable();
    // A text box's caption is its content; it is known by its tooltip, else its name.
    const QString accessible = editable ? (tip.isEmpty() ? controlName(c.id) : tip)
                                        : (c.caption.isEmpty() ? tip : c.caption);
    if (w->accessibleName() != accessible) w->setAccessibleName(accessible);
    const QColor fore = toQColor(c.fore);
    const std::optional<QColor> back =
        c.back ? std::optional<QColor>(toQColor(*c.back)) : std::nullopt;

    if (auto* b = qobject_cast<FlatButton*>(w)) {
        b->showControl(c);
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        if (l->text() != c.caption) l->setText(c.caption);
        l->setAlignment(toQtAlign(c.align));
        setColor(l, QPalette::WindowText, fore);
        l->setAutoFillBackground(back.has_value());
        if (back) setColor(l, QPalette::Window, *back);
    } else if (auto* s = qobject_cast<ShapeWidget*>(w)) {
        s->setColors(fore, back.value_or(toQColor(colors::PanelBack)));
    } else if (editable) {
        syncTextBox(c, w);
    } else if (back) { // a picture area with a colour of its own
        w->setAutoFillBackground(true);
        setColor(w, QPalette::Window, *back);
    }
    place(w, c, QPoint(shift_, 0), seen_);
}

void PanelView::syncTextBox(const Control& c, QWidget* w) {
    const QColor fore = toQColor(c.fore);
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        setColor(e, QPalette::Text, fore);
        if (c.back) setColor(e, QPalette::Base, toQColor(*c.back));
        // A line edit lays its whole text out again at every paint, its caret's
        // blink included: megabytes copied would cost a share of a core while
        // they stay. Past any address's length it shows the start, and is not
        // edited, as an edit of the start would drop the rest.
        const bool cut = c.caption.size() > MaxShownText;
        const QString shown = cut ? c.caption.left(MaxShownText) : c.caption;
        if (e->text() != shown) e->setText(shown);
        if (e->isReadOnly() != cut) e->setReadOnly(cut);
        // Setting it repaints even when unchanged, and sync runs after every handler.
        if (e->alignment() != toQtAlign(c.align)) e->setAlignment(toQtAlign(c.align));
        // A caret left past a shortened text stands at its end.
        const int size = static_cast<int>(c.caption.size());
        const int start = std::clamp(c.selStart, 0, size);
        const int length = std::clamp(c.selLength, 0, size - start);
        if (selectionOf(e) != std::pair{start, length}) {
            if (length > 0) {
                e->setSelection(start, length);
            } else {
                e->deselect();
                e->setCursorPosition(start);
            }
        }
    } else if (auto* m = qobject_cast<QPlainTextEdit*>(w)) {
        setColor(m, QPalette::Text, fore);
        if (c.back) setColor(m, QPalette::Base, toQColor(*c.back));
        const QString text = memoToView(c.caption);
        if (m->toPlainText() != text) m->setPlainText(text);
        const int start = modelToViewPos(c.caption, c.selStart);
        const int end = modelToViewPos(c.caption, c.selStart + c.selLength);
        QTextCursor cur = m->textCursor();
        if (cur.selectionStart() != start || cur.selectionEnd() != end) {
            cur.setPosition(start);
            cur.setPosition(end, QTextCursor::KeepAnchor);
            m->setTextCursor(cur);
        }
    } else if (auto* box = qobject_cast<QComboBox*>(w)) {
        QStringList shown;
        for (int i = 0; i < box->count(); ++i)
            shown << box->itemText(i);
        if (shown != c.items) {
            box->clear();
            box->addItems(c.items);
        }
        QLineEdit* edit = box->lineEdit();
        const QString typed = edit->text();
        const int caret = edit->cursorPosition();
        if (box->currentIndex() != c.listIndex) box->setCurrentIndex(c.listIndex);
        if (box->currentText() != c.caption) box->setEditText(c.caption);
        // A typed name loses its entry, not the place being typed at.
        if (edit->text() == typed) edit->setCursorPosition(caret);
    }
}

// The widget now shows what the user did, which the model may not take up as it is.
Panel& PanelView::fromUser(Ctl id) {
    shown_[static_cast<std::size_t>(id)].reset();
    return panel_;
}

// The model did not take it up: the widget shows the model's again at once.
void PanelView::refused(Ctl id) {
    fromUser(id);
    sync();
}

void PanelView::userSelection(Ctl id) {
    QWidget* w = widget(id);
    // Any change but the focus leaving, by a person or through the
    // accessibility interface, is the model's.
    if (syncing_ || !w) return;
    if (auto* e = dynamic_cast<TextBox*>(w)) {
        if (e->leaving) return;
        const auto [start, length] = selectionOf(e);
        if (!fromUser(id).editSelection(id, start, length)) refused(id);
    } else if (auto* m = qobject_cast<QPlainTextEdit*>(w)) {
        const QTextCursor cur = m->textCursor();
        const QString text = m->toPlainText();
        const int start = viewToModelPos(text, cur.selectionStart());
        const int end = viewToModelPos(text, cur.selectionEnd());
        if (!fromUser(id).editSelection(id, start, end - start)) refused(id);
    }
}

bool PanelView::eventFilter(QObject* watched, QEvent* event) {
    const auto it = ids_.constFind(watched);
    if (it == ids_.constEnd() || syncing_) return QWidget::eventFilter(watched, event);
    const Ctl id = *it;
    switch (event->type()) {
    case QEvent::MouseMove:
        if (followPointer(static_cast<QMouseEvent*>(event))) break;
        panel_.mouseMove(id, heldButtons(static_cast<QMouseEvent*>(event)->buttons()));
        break;
    case QEvent::MouseButtonPress:
        pressed(static_cast<QMouseEvent*>(event));
        if (auto b = toMouseButton(static_cast<QMouseEvent*>(event)->button()))
            panel_.mouseDown(id, *b);
        break;
    case QEvent::MouseButtonDblClick:
        pressed(static_cast<QMouseEvent*>(event));
        if (auto b = toMouseButton(static_cast<QMouseEvent*>(event)->button()))
            panel_.doubleClick(id, *b);
        break;
    case QEvent::MouseButtonRelease:
        released();
        if (auto b = toMouseButton(static_cast<QMouseEvent*>(event)->button()))
            panel_.mouseUp(id, *b);
        break;
    case QEvent::FocusIn:
        panel_.focusChanged(id);
        break;

    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void PanelView::mousePressEvent(QMouseEvent* e) {
    pressed(e);
    if (auto b = toMouseButton(e->button())) panel_.mouseDown(Ctl::Form1, *b);
}

void PanelView::mouseDoubleClickEvent(QMouseEvent* e) {
    pressed(e);
    if (auto b = toMouseButton(e->button())) panel_.doubleClick(Ctl::Form1, *b);
}

void PanelView::mouseReleaseEvent(QMouseEvent* e) {
    released();
    if (auto b = toMouseButton(e->button())) panel_.mouseUp(Ctl::Form1, *b);
}

void PanelView::mouseMoveEvent(QMouseEvent* e) {
    if (followPointer(e)) return;
    panel_.mouseMove(Ctl::Form1, heldButtons(e->buttons()));
}

void PanelView::pressed(const QMouseEvent* e) {
    press_ = {e->globalPosition().toPoint(), pos()};
}

void PanelView::released() {
    movingByHand_ = false;
}

} // namespace kurumin
