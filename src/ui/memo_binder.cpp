// The memo: several lines of text, caret and selection both ways. The model
// keeps CR LF line breaks, the editor plain LF.
#include "ui/binder.h"
#include "ui/widgets.h"

#include <QPlainTextEdit>
#include <QTextCursor>

namespace kurumin::ui {

namespace {

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

class MemoBinder final : public Binder {
  public:
    MemoBinder(Ctl id, QWidget* parent, BinderHost& host)
        : Binder(new QPlainTextEdit(parent), id, host) {
        QPlainTextEdit* m = memo();
        m->setFrameShape(QFrame::NoFrame);
        host.routeEvents(m->viewport(), id);
        connect(m, &QPlainTextEdit::textChanged, this, [this] {
            if (host_.syncing()) return;
            if (!host_.fromUser(id_).editText(id_, memoToModel(memo()->toPlainText())))
                host_.refused(id_);
        });
        connect(m, &QPlainTextEdit::cursorPositionChanged, this, &MemoBinder::selected);
        connect(m, &QPlainTextEdit::selectionChanged, this, &MemoBinder::selected);
    }

    void show(const Control& c) override {
        QPlainTextEdit* m = memo();
        setTextColors(m, c);
        const QString text = memoToView(c.caption);
        if (m->toPlainText() != text) m->setPlainText(text);
        const int start = modelToViewPos(c.caption, c.selStart);
        const int end = modelToViewPos(c.caption, c.selStart + c.selLength);
        QTextCursor cur = m->textCursor();
        if (cur.selectionStart() == start && cur.selectionEnd() == end) return;
        cur.setPosition(start);
        cur.setPosition(end, QTextCursor::KeepAnchor);
        m->setTextCursor(cur);
    }

  private:
    QPlainTextEdit* memo() const { return static_cast<QPlainTextEdit*>(widget()); }

    void selected() {
        if (host_.syncing()) return;
        const QTextCursor cur = memo()->textCursor();
        const QString text = memo()->toPlainText();
        const int start = viewToModelPos(text, cur.selectionStart());
        const int end = viewToModelPos(text, cur.selectionEnd());
        if (!host_.fromUser(id_).editSelection(id_, start, end - start)) host_.refused(id_);
    }
};

} // namespace

Binder* bindMemo(Ctl id, QWidget* parent, BinderHost& host) {
    return new MemoBinder(id, parent, host);
}

} // namespace kurumin::ui
