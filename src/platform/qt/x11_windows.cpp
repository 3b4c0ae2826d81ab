#include "platform/qt/qt_services.h"
#include "platform/qt/xcb_property.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

namespace kurumin {

namespace {

xcb_connection_t* connection() {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

using xcb::atom;
using xcb::rootOf;
template <typename T> using XcbReply = xcb::Reply<T>;

using xcb::Property;

Property property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name,
                  std::uint32_t maxLongs) {
    return xcb::readProperty(c, xcb::askProperty(c, window, name, maxLongs));
}

bool holds(const Property& atoms, xcb_atom_t a) {
    if (atoms.type != XCB_ATOM_ATOM) return false;
    for (qsizetype at = 0; at + 4 <= atoms.value.size(); at += 4) {
        xcb_atom_t each = 0;
        std::memcpy(&each, atoms.value.constData() + at, sizeof each);
        if (each == a) return true;
    }
    return false;
}

// A request about a managed window, sent to the window manager as a normal
// application (source 1) sends it.
void askWindowManager(xcb_connection_t* c, xcb_window_t window, const char* message,
                      const std::array<std::uint32_t, 5>& data) {
    xcb_client_message_event_t e{};
    e.response_type = XCB_CLIENT_MESSAGE;
    e.format = 32;
    e.window = window;
    e.type = atom(c, message);
    std::copy(data.begin(), data.end(), std::begin(e.data.data32));
    xcb_send_event(c, 0, rootOf(c),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&e));
}

constexpr std::uint32_t AllWorkspaces = 0xFFFFFFFF;
constexpr std::uint32_t FromApplication = 1;

} // namespace

QByteArray cutUtf8(const QByteArray& text, int maxBytes) {
    if (maxBytes <= 1) return {};
    qsizetype n = maxBytes - 1;
    if (text.size() <= n) return text;
    // Back off continuation bytes so the cut falls between characters.
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return text.left(n);
}

X11WindowSystem::X11WindowSystem() = default;
X11WindowSystem::~X11WindowSystem() = default;

// Made on first use: the application, and so its display, exists by then.
X11FrontWindow* X11WindowSystem::front() {
    if (!watching_ && connection()) {
        watching_ = true;
        front_ = X11FrontWindow::create(connection());
        if (front_)
            front_->setChangeHandler([this] {
                if (handler_) handler_();
            });
    }
    return front_.get();
}

void X11WindowSystem::setFrontChangeHandler(std::function<void()> handler) {
    handler_ = std::move(handler);
    front();
}

WindowHandle X11WindowSystem::foregroundWindow() {
    if (const X11FrontWindow* f = front()) return f->window();
    xcb_connection_t* c = connection();
    if (!c) return 0;
    return xcb::firstLong(property(c, rootOf(c), atom(c, "_NET_ACTIVE_WINDOW"), 1),
                          XCB_ATOM_WINDOW);
}

QByteArray X11WindowSystem::windowTitle(WindowHandle window, int maxBytes) {
    xcb_connection_t* c = connection();
    if (!c || window == 0 || window > 0xFFFFFFFFu || maxBytes <= 1) return {};
    const auto id = static_cast<xcb_window_t>(window);
    if (const X11FrontWindow* f = front(); f && f->window() == id && maxBytes <= f->TitleBytes)
        return cutUtf8(f->title(), maxBytes);
    // Enough 32-bit units for the bytes wanted, plus one character's overrun.
    const auto longs = static_cast<std::uint32_t>(maxBytes / 4 + 2);
    return cutUtf8(
        xcb::readTitle(c, id, xcb::askProperty(c, id, atom(c, "_NET_WM_NAME"), longs), longs),
        maxBytes);
}

qint64 X11WindowSystem::windowProcess(WindowHandle window) {
    xcb_connection_t* c = connection();
    if (!c || window == 0 || window > 0xFFFFFFFFu) return 0;
    if (const X11FrontWindow* f = front(); f && f->window() == window) return f->process();
    return xcb::firstLong(property(c, static_cast<xcb_window_t>(window), atom(c, "_NET_WM_PID"), 1),
                          XCB_ATOM_CARDINAL);
}

void X11WindowSystem::showOnEveryWorkspace(WindowHandle window) {
    xcb_connection_t* c = connection();
    if (!c || window == 0 || window > 0xFFFFFFFFu) return;
    const auto id = static_cast<xcb_window_t>(window);
    const xcb_atom_t state = atom(c, "_NET_WM_STATE");
    const xcb_atom_t sticky = atom(c, "_NET_WM_STATE_STICKY");
    // Read by the window manager when it maps the window (Qt keeps the state
    // atoms it does not set itself) ...
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL,
                        32, 1, &AllWorkspaces);
    if (!holds(property(c, id, state, 64), sticky))
        xcb_change_property(c, XCB_PROP_MODE_APPEND, id, state, XCB_ATOM_ATOM, 32, 1, &sticky);
    // ... and asked for while it is mapped.
    askWindowManager(c, id, "_NET_WM_DESKTOP", {AllWorkspaces, FromApplication, 0, 0, 0});
    askWindowManager(c, id, "_NET_WM_STATE", {1 /* add */, sticky, 0, FromApplication, 0});
    xcb_flush(c);
}

auto X11WindowSystem::startMove(WindowHandle window, int x, int y) -> MoveStart {
    xcb_connection_t* c = connection();
    if (!c || window == 0 || window > 0xFFFFFFFFu) return MoveStart::Unsupported;
    // A quick drag seen late: the release came while the press's grab was
    // still on, so it is queued for this window, and a window manager asked
    // now would wait for one that has passed.
    XcbReply<xcb_query_pointer_reply_t> pointer(
        xcb_query_pointer_reply(c, xcb_query_pointer(c, rootOf(c)), nullptr));
    if (pointer && !(pointer->mask & XCB_BUTTON_MASK_1)) return MoveStart::Late;
    const xcb_atom_t moveResize = atom(c, "_NET_WM_MOVERESIZE");
    if (!holds(property(c, rootOf(c), atom(c, "_NET_SUPPORTED"), 1024), moveResize))
        return MoveStart::Unsupported;
    // The press's grab is Qt's, on this connection: the window manager takes
    // the pointer only once it is let go.
    xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
    constexpr std::uint32_t Move = 8;
    askWindowManager(c, static_cast<xcb_window_t>(window), "_NET_WM_MOVERESIZE",
                     {static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), Move,
                      XCB_BUTTON_INDEX_1, FromApplication});
    xcb_flush(c);
    return MoveStart::Taken;
}

} // namespace kurumin
