#pragma once
// What the X11 code shares: replies freed as xcb wants, atoms asked for once.

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

namespace kurumin::xcb {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

// Atoms belong to the server and never change: each is asked for once.
inline xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    static std::map<std::string, xcb_atom_t> known;
    if (const auto it = known.find(name); it != known.end()) return it->second;
    const auto cookie = xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookie, nullptr));
    if (!reply) return XCB_ATOM_NONE;
    return known[name] = reply->atom;
}

// The root window of the connection's first screen.
inline xcb_window_t rootOf(xcb_connection_t* c) {
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

// A resource this connection's client made: its id lies in the client's range.
inline bool ours(xcb_connection_t* c, std::uint32_t id) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    return (id & ~setup->resource_id_mask) == setup->resource_id_base;
}

} // namespace kurumin::xcb
