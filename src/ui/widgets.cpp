#include "ui/widgets.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace kurumin::ui {

int toPixels(int twips, qreal dpi) {
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

int toTwips(int pixels, qreal dpi) {
    return static_cast<int>(std::lround(pixels * 1440.0 / dpi));
}

namespace {
QScreen* screenOf(const QWidget* w) {
    QScreen* s = w ? w->screen() : nullptr;
    return s ? s : QGuiApplication::primaryScreen();
}
} // namespace

QRect toPixels(const RectTwips& r, const QWidget* w) {
    const QScreen* s = screenOf(w);
    const qreal dx = s->logicalDotsPerInchX(), dy = s->logicalDotsPerInchY();
    return QRect(toPixels(r.left, dx), toPixels(r.top, dy), toPixels(r.width, dx),
                 toPixels(r.height, dy));
}

RectTwips toTwips(const QRect& r, const QWidget* w) {
    const QScreen* s = screenOf(w);
    const qreal dx = s->logicalDotsPerInchX(), dy = s->logicalDotsPerInchY();
    return {toTwips(r.x(), dx), toTwips(r.y(), dy), toTwips(r.width(), dx),
            toTwips(r.height(), dy)};
}

int monitorLeft(const QWidget* w) {
    QScreen* s = w ? QGuiApplication::screenAt(w->geometry().center()) : nullptr;
    if (!s) s = screenOf(w);
    return toTwips(s->geometry().left(), s->logicalDotsPerInchX());
}

Qt::Alignment toQtAlign(Align a) {
    switch (a) {
    case Align::Left:
        return Qt::AlignLeft | Qt::AlignVCenter;
    case Align::Right:
        return Qt::AlignRight | Qt::AlignVCenter;
    case Align::Center:
        break;
    }
    return Qt::AlignCenter;
}

void setColor(QWidget* w, QPalette::ColorRole role, const QColor& c) {
    QPalette p = w->palette();
    if (p.color(QPalette::Active, role) == c) return;
    p.setColor(QPalette::Active, role, c);
    p.setColor(QPalette::Inactive, role, c);
    w->setPalette(p);
}

void setTextColors(QWidget* w, const Control& c) {
    setColor(w, QPalette::Text, toQColor(c.fore));
    if (c.back) setColor(w, QPalette::Base, toQColor(*c.back));
}

QFont panelFont() {
    QFont f(QStringLiteral("Noto Sans CJK JP"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(10);
    return f;
}

FlatButton::FlatButton(Bevel bevel, QWidget* parent)
    : QAbstractButton(parent), raised_(bevel == Bevel::Raised) {
    // Tab reaches it; a mouse press leaves the caret where it was.
    setFocusPolicy(Qt::TabFocus);
}

void FlatButton::setColors(QColor fore, std::optional<QColor> back) {
    if (fore == fore_ && back == back_) return;
    fore_ = fore;
    back_ = back;
    update();
}

void FlatButton::showControl(const Control& c) {
    if (text() != c.caption) setText(c.caption);
    setColors(toQColor(c.fore), c.back ? std::optional<QColor>(toQColor(*c.back)) : std::nullopt);
    setAlignment(toQtAlign(c.align));
}

void FlatButton::showLook(const StepLabelLook& look) {
    if (text() != look.caption) setText(look.caption);
    setColors(toQColor(look.fore), toQColor(look.back));
    setAlignment(toQtAlign(look.align));
}

void place(QWidget* w, const Control& c, QPoint shift, const std::optional<QRect>& seen) {
    const QRect r = toPixels(c.geo, w).translated(shift);
    if (w->geometry() != r) w->setGeometry(r);
    if (w->isEnabled() != c.enabled) w->setEnabled(c.enabled);
    const bool visible = c.visible && (!seen || seen->intersects(r));
    if (w->isVisibleTo(w->parentWidget()) == visible) return;
    // A hidden focus would be passed on as a Tab passes it, now or when the
    // window is next activated: maybe to an exit control.
    if (!visible && w->window()->focusWidget() == w) w->clearFocus();
    w->setVisible(visible);
}

void FlatButton::setAlignment(Qt::Alignment a) {
    if (a == align_) return;
    align_ = a;
    update();
}

QSize FlatButton::sizeHint() const {
    return fontMetrics().size(Qt::TextSingleLine, text()) + QSize(4, 2);
}

bool FlatButton::keysRefused(const QKeyEvent* e) const {
    // A held key's repeats would press whatever the focus moves to next.
    return e->isAutoRepeat() || (keysOnlyAfterTab_ && !tabbedTo_);
}

void FlatButton::focusInEvent(QFocusEvent* e) {
    tabbedTo_ = e->reason() == Qt::TabFocusReason || e->reason() == Qt::BacktabFocusReason;
    QAbstractButton::focusInEvent(e);
}

void FlatButton::mouseDoubleClickEvent(QMouseEvent* e) {
    e->accept();
}

void FlatButton::keyReleaseEvent(QKeyEvent* e) {
    if (keysRefused(e) && !isDown()) {
        e->ignore();
        return;
    }
    QAbstractButton::keyReleaseEvent(e);
}

void FlatButton::keyPressEvent(QKeyEvent* e) {
    if (keysRefused(e)) {
        e->ignore();
        return;
    }
    // Enter presses it as well as Space.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        animateClick();
        return;
    }
    QAbstractButton::keyPressEvent(e);
}

void FlatButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    if (back_)
        p.fillRect(r, *back_);
    else if (raised_)
        p.fillRect(r, palette().color(QPalette::Button));
    const bool sunken = isDown();
    if (raised_) {
        const QColor light = palette().color(QPalette::Light);
        const QColor dark = palette().color(QPalette::Dark);
        p.setPen(sunken ? dark : light);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(sunken ? light : dark);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
    }
    QColor text = isEnabled() ? fore_ : palette().color(QPalette::Disabled, QPalette::WindowText);
    p.setPen(text);
    QRect tr = r.adjusted(1, 0, -1, 0);
    if (raised_ && sunken) tr.translate(1, 1);
    p.drawText(tr, static_cast<int>(align_ | Qt::TextSingleLine), this->text());
    // The focus frame shows once the keyboard moves the focus, as push buttons do.
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        QPen dots(text, 1, Qt::DotLine);
        p.setPen(dots);
        p.drawRect(r.adjusted(1, 1, -2, -2));
    }
}

GripWidget::GripWidget(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::SizeAllCursor);
}

void GripWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Dark);
    for (int y = 2; y + 2 <= height(); y += 3)
        for (int x = 2; x + 2 <= width(); x += 3) {
            p.fillRect(x, y, 1, 1, dark);
            p.fillRect(x + 1, y + 1, 1, 1, light);
        }
}

void ShapeWidget::setColors(QColor border, QColor fill) {
    if (border == border_ && fill == fill_) return;
    border_ = border;
    fill_ = fill;
    update();
}

void ShapeWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), fill_);
    p.setPen(border_);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace kurumin::ui
