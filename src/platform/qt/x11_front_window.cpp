#include "platform/qt/x11_front_window.h"

#include "platform/qt/xcb_property.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QTimer>

#include <utility>

namespace kurumin {

namespace {
constexpr std::uint32_t kTitleLongs = X11FrontWindow::TitleBytes / 4 + 1;
constexpr std::uint32_t kWatch = XCB_EVENT_MASK_PROPERTY_CHANGE;
constexpr std::uint32_t kDeaf = 0;
} // namespace

// The notices come through Qt's connection, and what they ask for is read as
// each one is handled.
struct X11FrontWindow::State : QAbstractNativeEventFilter {
    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;
    xcb_atom_t active = 0, netName = 0, pid = 0;
    xcb_window_t front = 0;
    QByteArray title;
    qint64 process = 0;
    std::function<void()> changed;
    // A title changed over and over (a page retitling itself in a loop) is
    // read at once, then once a pause: its window goes unheard meanwhile.
    QTimer pause;
    bool held = false;

    bool nativeEventFilter(const QByteArray&, void* message, qintptr*) override {
        const auto* e = static_cast<const xcb_generic_event_t*>(message);
        if ((e->response_type & 0x7F) != XCB_PROPERTY_NOTIFY) return false;
        const auto* p = static_cast<const xcb_property_notify_event_t*>(message);
        if (p->window == root && p->atom == active) {
            update(true, false);
        } else if (p->window == front && front && !held &&
                   (p->atom == netName || p->atom == XCB_ATOM_WM_NAME)) {
            hold();
            update(false, true);
        }
        return false; // Qt's own windows need their notices too
    }

    // Qt's own windows keep the events Qt chose for them.
    void listen(xcb_window_t window, std::uint32_t mask) {
        if (!window || xcb::ours(c, window)) return;
        // A window already gone answers with an error, dropped here rather than logged by Qt.
        xcb_discard_reply(
            c, xcb_change_window_attributes_checked(c, window, XCB_CW_EVENT_MASK, &mask).sequence);
    }

    // The window in front is asked for when the window manager says it moved;
    // its title when it is a new one, or says it was retitled. A new window is
    // listened to before its title is read, so no retitling falls between, and
    // its process is asked in the same round trip.
    void update(bool moved, bool retitled) {
        const auto before = std::pair(front, title);
        const xcb_window_t now =
            moved ? xcb::firstLong(xcb::readProperty(c, xcb::askProperty(c, root, active, 1)),
                                   XCB_ATOM_WINDOW)
                  : front;
        if (now != front) {
            listen(front, kDeaf);
            listen(now, kWatch);
            front = now;
            process = 0;
            if (front) {
                const auto owner = xcb::askProperty(c, front, pid, 1);
                title = titleOf(front);
                process = xcb::firstLong(xcb::readProperty(c, owner), XCB_ATOM_CARDINAL);
            } else {
                title.clear();
            }
        } else if (retitled && front) {
            title = titleOf(front);
        }
        xcb_flush(c);
        if (changed && std::pair(front, title) != before) changed();
    }

    QByteArray titleOf(xcb_window_t window) {
        return xcb::readTitle(c, window, xcb::askProperty(c, window, netName, kTitleLongs),
                              kTitleLongs)
            .left(TitleBytes);
    }

    void hold() {
        held = true;
        listen(front, kDeaf);
        pause.start();
    }

    void resume() {
        held = false;
        listen(front, kWatch);
        update(true, true);
    }
};

std::unique_ptr<X11FrontWindow> X11FrontWindow::create(xcb_connection_t* c) {
    if (!c) return nullptr;
    auto s = std::make_unique<State>();
    s->c = c;
    s->root = xcb::rootOf(c);
    s->active = xcb::atom(c, "_NET_ACTIVE_WINDOW");
    s->netName = xcb::atom(c, "_NET_WM_NAME");
    s->pid = xcb::atom(c, "_NET_WM_PID");
    // Qt listens to the root's properties itself; added to what it chose, never in its place.
    const xcb::Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, s->root), nullptr));
    if (attributes && !(attributes->your_event_mask & kWatch)) {
        const std::uint32_t mask = attributes->your_event_mask | kWatch;
        xcb_change_window_attributes(c, s->root, XCB_CW_EVENT_MASK, &mask);
    }
    s->update(true, true);
    return std::unique_ptr<X11FrontWindow>(new X11FrontWindow(std::move(s)));
}

X11FrontWindow::X11FrontWindow(std::unique_ptr<State> state) : s_(std::move(state)) {
    State* s = s_.get();
    s->pause.setSingleShot(true);
    s->pause.setInterval(50);
    connect(&s->pause, &QTimer::timeout, this, [s] { s->resume(); });
    QCoreApplication::instance()->installNativeEventFilter(s);
}

X11FrontWindow::~X11FrontWindow() = default;

std::uint32_t X11FrontWindow::window() const {
    return s_->front;
}

QByteArray X11FrontWindow::title() const {
    return s_->title;
}

qint64 X11FrontWindow::process() const {
    return s_->process;
}

void X11FrontWindow::setChangeHandler(std::function<void()> handler) {
    s_->changed = std::move(handler);
}

} // namespace kurumin
