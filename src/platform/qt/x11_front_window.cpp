#include "platform/qt/x11_front_window.h"

#include "platform/qt/xcb_connection.h"
#include "platform/qt/xcb_util.h"

#include <QTimer>

#include <cstdlib>
#include <cstring>

namespace kurumin {

struct X11FrontWindow::State : xcb::Connection {
    xcb_atom_t active = 0, netName = 0;
    xcb_window_t front = 0;
    QByteArray title;
    std::function<void()> changed;
    // A title changed over and over (a page retitling itself in a loop) is
    // read at once, then once a pause: its window goes unheard meanwhile.
    QTimer pause;
    bool held = false;

    QByteArray property(xcb_window_t window, xcb_atom_t name, xcb_atom_t* type) {
        const auto cookie =
            xcb_get_property(c, 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, TitleBytes / 4 + 1);
        const xcb::Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(c, cookie, nullptr));
        *type = r ? r->type : XCB_NONE;
        if (!r) return {};
        const int length = xcb_get_property_value_length(r.get());
        return QByteArray(static_cast<const char*>(xcb_get_property_value(r.get())), length);
    }

    QByteArray readTitle(xcb_window_t window) {
        if (!window) return {};
        xcb_atom_t type = XCB_NONE;
        QByteArray name = property(window, netName, &type);
        if (name.isEmpty()) {
            name = property(window, XCB_ATOM_WM_NAME, &type);
            // WM_NAME of type STRING is Latin-1.
            if (type == XCB_ATOM_STRING) name = QString::fromLatin1(name).toUtf8();
        }
        return name.left(TitleBytes);
    }

    // The title of the window in front is followed too: a tab switch or a
    // page's own retitling changes it without a change of window.
    void readFront() {
        xcb_atom_t type = XCB_NONE;
        const QByteArray value = property(root, active, &type);
        xcb_window_t now = 0;
        if (type == XCB_ATOM_WINDOW && value.size() >= 4) std::memcpy(&now, value.data(), 4);
        if (now != front) {
            const std::uint32_t none = 0, watch = XCB_EVENT_MASK_PROPERTY_CHANGE;
            // A window already gone answers with an error event, dropped in drain().
            if (front) xcb_change_window_attributes(c, front, XCB_CW_EVENT_MASK, &none);
            if (now) xcb_change_window_attributes(c, now, XCB_CW_EVENT_MASK, &watch);
            front = now;
        }
        title = readTitle(front);
    }

    // Replies read while asking may have queued events the notifier will not
    // see: the events are read again until none of them moves the front.
    void drain() {
        for (;;) {
            bool moved = false, retitled = false;
            while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
                if ((e->response_type & 0x7F) == XCB_PROPERTY_NOTIFY) {
                    const auto* p = reinterpret_cast<xcb_property_notify_event_t*>(e);
                    if (p->window == root && p->atom == active)
                        moved = true;
                    else if (p->window == front && p->window != 0 &&
                             (p->atom == netName || p->atom == XCB_ATOM_WM_NAME))
                        retitled = !held;
                }
                std::free(e);
            }
            if (retitled && !moved) hold();
            if (!moved && !retitled) return;
            update(moved);
        }
    }

    // A window retitled in front is still in front: its title alone is read again.
    void update(bool moved) {
        const xcb_window_t before = front;
        const QByteArray beforeTitle = title;
        if (moved)
            readFront();
        else
            title = readTitle(front);
        xcb_flush(c);
        if (changed && (front != before || title != beforeTitle)) changed();
    }

    void hold() {
        held = true;
        const std::uint32_t none = 0;
        xcb_change_window_attributes(c, front, XCB_CW_EVENT_MASK, &none);
        pause.start();
    }

    void resume() {
        held = false;
        const std::uint32_t watch = XCB_EVENT_MASK_PROPERTY_CHANGE;
        if (front) xcb_change_window_attributes(c, front, XCB_CW_EVENT_MASK, &watch);
        update(true);
    }
};

std::unique_ptr<X11FrontWindow> X11FrontWindow::create() {
    auto s = std::make_unique<State>();
    if (!s->open()) return nullptr;
    s->active = xcb::atom(s->c, "_NET_ACTIVE_WINDOW");
    s->netName = xcb::atom(s->c, "_NET_WM_NAME");
    const std::uint32_t watch = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(s->c, s->root, XCB_CW_EVENT_MASK, &watch);
    s->readFront();
    xcb_flush(s->c);
    return std::unique_ptr<X11FrontWindow>(new X11FrontWindow(std::move(s)));
}

X11FrontWindow::X11FrontWindow(std::unique_ptr<State> state) : s_(std::move(state)) {
    State* s = s_.get();
    s->watch(this, [s] { s->drain(); });
    s->pause.setSingleShot(true);
    s->pause.setInterval(50);
    connect(&s->pause, &QTimer::timeout, this, [s] { s->resume(); });
}

X11FrontWindow::~X11FrontWindow() = default;

std::uint32_t X11FrontWindow::window() const {
    return s_->front;
}

QByteArray X11FrontWindow::title() const {
    return s_->title;
}

void X11FrontWindow::setChangeHandler(std::function<void()> handler) {
    s_->changed = std::move(handler);
}

} // namespace kurumin
