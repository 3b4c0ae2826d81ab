#pragma once
// Window properties read without an error left for the connection's owner,
// several of them in one round trip when asked for before the first is read.

#include "platform/qt/xcb_util.h"

#include <QByteArray>
#include <QString>

namespace kurumin::xcb {

struct Property {
    xcb_atom_t type = XCB_ATOM_NONE;
    QByteArray value;
};

// Up to maxLongs 32-bit units, asked now and read later, so several can share one round trip.
inline xcb_get_property_cookie_t askProperty(xcb_connection_t* c, xcb_window_t window,
                                             xcb_atom_t name, std::uint32_t maxLongs) {
    return xcb_get_property(c, 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, maxLongs);
}

// A window that is gone gives an empty value; its error is taken here, not
// left as an event for whoever reads the connection's events.
inline Property readProperty(xcb_connection_t* c, xcb_get_property_cookie_t cookie) {
    xcb_generic_error_t* error = nullptr;
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, &error));
    std::free(error);
    Property p;
    if (!reply) return p;
    p.type = reply->type;
    const int bytes = xcb_get_property_value_length(reply.get());
    if (bytes > 0)
        p.value = QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())), bytes);
    return p;
}

// The property's first 32-bit unit when it is of the type asked for, else 0.
inline std::uint32_t firstLong(const Property& p, xcb_atom_t type) {
    std::uint32_t value = 0;
    if (p.type == type && p.value.size() >= 4) std::memcpy(&value, p.value.constData(), 4);
    return value;
}

// A window's title as UTF-8: its _NET_WM_NAME, asked for already, else its
// WM_NAME, which is Latin-1 when of type STRING.
inline QByteArray readTitle(xcb_connection_t* c, xcb_window_t window,
                            xcb_get_property_cookie_t netName, std::uint32_t maxLongs) {
    Property p = readProperty(c, netName);
    if (p.value.isEmpty()) {
        p = readProperty(c, askProperty(c, window, XCB_ATOM_WM_NAME, maxLongs));
        if (p.type == XCB_ATOM_STRING) p.value = QString::fromLatin1(p.value).toUtf8();
    }
    return p.value;
}

} // namespace kurumin::xcb
