// A long-lived owner of the X clipboard. Each line read from stdin becomes
// the clipboard's text at once, taken as another program takes it; with
// --never-answer it takes the clipboard and then ignores every request, as a
// hung program does. Prints "ready" once it owns the clipboard.
#include "platform/qt/xcb_util.h"

#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <string>

using kurumin::xcb::atom;
using kurumin::xcb::Reply;

namespace {

void answer(xcb_connection_t* c, const xcb_selection_request_event_t& req,
            const std::string& text) {
    const xcb_atom_t targets = atom(c, "TARGETS"), utf8 = atom(c, "UTF8_STRING");
    xcb_atom_t property = req.property == XCB_ATOM_NONE ? req.target : req.property;
    if (req.target == targets) {
        const xcb_atom_t offered[] = {targets, utf8};
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, req.requestor, property, XCB_ATOM_ATOM, 32, 2,
                            offered);
    } else if (req.target == utf8 || req.target == XCB_ATOM_STRING) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, req.requestor, property, req.target, 8,
                            static_cast<std::uint32_t>(text.size()), text.data());
    } else {
        property = XCB_ATOM_NONE; // refused
    }
    const xcb_selection_notify_event_t n{
        XCB_SELECTION_NOTIFY, 0, 0, req.time, req.requestor, req.selection, req.target, property};
    xcb_send_event(c, 0, req.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&n));
    xcb_flush(c);
}

} // namespace

int main(int argc, char** argv) {
    const bool hang = argc > 1 && std::string(argv[1]) == "--never-answer";
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) return 1;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t w = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t clipboard = atom(c, "CLIPBOARD");
    const auto own = [&] {
        xcb_set_selection_owner(c, w, clipboard, XCB_CURRENT_TIME);
        xcb_flush(c);
    };
    own();
    Reply<xcb_get_input_focus_reply_t>(
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    std::puts("ready");
    std::fflush(stdout);
    if (hang)
        for (;;)
            pause();

    std::string text, line;
    pollfd fds[] = {{STDIN_FILENO, POLLIN, 0}, {xcb_get_file_descriptor(c), POLLIN, 0}};
    for (;;) {
        while (Reply<xcb_generic_event_t> e{xcb_poll_for_event(c)}) {
            if ((e->response_type & 0x7f) == XCB_SELECTION_REQUEST)
                answer(c, *reinterpret_cast<xcb_selection_request_event_t*>(e.get()), text);
        }
        if (xcb_connection_has_error(c)) return 1;
        if (poll(fds, 2, -1) < 0) return 1;
        if (fds[0].revents & (POLLIN | POLLHUP)) {
            char buf[4096];
            const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
            if (n <= 0) return 0;
            line.append(buf, static_cast<std::size_t>(n));
            for (std::size_t end; (end = line.find('\n')) != std::string::npos;) {
                text = line.substr(0, end);
                line.erase(0, end + 1);
                own(); // a new text is a new ownership, as a copy elsewhere is
            }
        }
    }
}
