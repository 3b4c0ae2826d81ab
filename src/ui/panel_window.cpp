// The panel's window among the desktop's: how the model moves, raises and
// places it, tucked past its monitor's edge included.
#include "ui/panel_view.h"

#include "ui/widgets.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace kurumin {

using namespace ui;

namespace {
constexpr int MinTuckedWidth = 48; // pixels
} // namespace

// Without a window manager that takes the move, the panel follows the pointer
// by the displacement since the press, up to and with the release.
bool PanelView::followPointer(const QMouseEvent* e) {
    if (!movingByHand_) return false;
    const bool held = e->buttons() & Qt::LeftButton;
    if (held || e->button() == Qt::LeftButton)
        move(press_.window + e->globalPosition().toPoint() - press_.pointer);
    movingByHand_ = held;
    return held;
}

void PanelView::closeEvent(QCloseEvent* e) {
    // The window manager's close runs the panel's own close sequence.
    if (!panel_.closed()) panel_.close();
    e->accept();
}

WindowHandle PanelView::handle() {
    return static_cast<WindowHandle>(winId());
}

void PanelView::setTopmost() {
    if (!(windowFlags() & Qt::WindowStaysOnTopHint)) {
        const bool shown = isVisible();
        setWindowFlag(Qt::WindowStaysOnTopHint, true); // hides the window
        if (shown) QWidget::show();
    }
    raise();
}

void PanelView::startSystemMove() {
    // From where the button went down, as a title bar's drag: the move starts
    // at the first motion, which has already carried the pointer away.
    const QPoint at = (QPointF(press_.pointer) * devicePixelRatioF()).toPoint();
    using Start = WindowSystemPort::MoveStart;
    const Start start = panel_.svc.windows.startMove(handle(), at.x(), at.y());
    if (start == Start::Taken) return;
    QWindow* w = windowHandle();
    if (start == Start::Unsupported && w && w->startSystemMove()) return;
    movingByHand_ = true;
}

void PanelView::showEvent(QShowEvent* e) {
    // The panel works with whichever browser window is in front, wherever it is.
    panel_.svc.windows.showOnEveryWorkspace(handle());
    QWidget::showEvent(e);
}

int PanelView::monitorLeft() {
    return ui::monitorLeft(this);
}

RectTwips PanelView::geometry() {
    return toTwips(isOn(panel_.PanelInPlace) ? QWidget::geometry() : tuckedAt_, this);
}

void PanelView::setGeometry(const RectTwips& rect) {
    const QRect r = toPixels(rect, this);
    // Window managers keep a managed window mostly on screen (openbox lets at
    // most nine tenths of it past an edge), and taking it out of their care
    // leaves Qt with a stale idea of where it is. So a panel tucked past the
    // left edge of its monitor is shown as the part of it on that monitor:
    // the one its strip, at the right end, lies on.
    const QScreen* monitor = QGuiApplication::screenAt(r.topRight());
    if (!monitor) monitor = screen();
    const int edge = monitor ? monitor->geometry().left() : 0;
    const int shift = shift_;
    if (!isOn(panel_.PanelInPlace)) tuckedAt_ = r;
    if (!isOn(panel_.PanelInPlace) && r.left() < edge) {
        shift_ = r.left() - edge;
        QRect onScreen = r;
        onScreen.setLeft(edge);
        if (onScreen.width() < 1) onScreen.setWidth(1);
        // Some window managers keep more of a window on screen than the strip
        // is wide (xfwm4 29 pixels): the window is wider, and shows the strip alone.
        const QRect strip(0, 0, onScreen.width(), onScreen.height());
        onScreen.setWidth(std::max(onScreen.width(), MinTuckedWidth));
        if (QWidget::geometry() != onScreen) QWidget::setGeometry(onScreen);
        if (mask() != QRegion(strip)) setMask(strip);
    } else {
        shift_ = 0;
        if (!mask().isEmpty()) clearMask();
        if (QWidget::geometry() != r) QWidget::setGeometry(r);
    }
    if (seenChanged() || shift_ != shift) { // the controls move with the shift
        shown_.fill(std::nullopt);
        sync();
    }
}

// Controls outside what the window shows are hidden: a screen reader offers
// none that cannot be seen, and a press at one would land beside the panel.
bool PanelView::seenChanged() {
    const QRect seen = mask().isEmpty() ? rect() : mask().boundingRect();
    return std::exchange(seen_, seen) != seen;
}

void PanelView::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (!seenChanged()) return;
    shown_.fill(std::nullopt);
    sync();
}

void PanelView::show() {
    if (!isVisible()) QWidget::show();
}

void PanelView::close() {
    hide();
}

bool PanelView::isOpen() {
    return isVisible();
}

} // namespace kurumin
