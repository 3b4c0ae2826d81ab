#include "platform/qt/x11_clipboard.h"

#include "platform/qt/xcb_connection.h"
#include "platform/qt/xcb_util.h"

#include <QTimer>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace kurumin {

struct X11ClipboardReader::State : xcb::Connection {
    xcb_window_t window = 0;
    xcb_atom_t clipboard = 0, utf8 = 0, incr = 0, property = 0;
    Done done;
    QTimer timeout;
    enum class Stage { Idle, Asked, Pieces } stage = Stage::Idle;
    xcb_atom_t target = 0; // what was asked for: UTF8_STRING, then STRING
    bool askAgain = false;
    bool stale = false; // the clipboard changed here after the request went out
    QByteArray bytes;

    void ask(xcb_atom_t what) {
        target = what;
        stage = Stage::Asked;
        xcb_convert_selection(c, window, clipboard, what, property, XCB_CURRENT_TIME);
        xcb_flush(c);
        timeout.start();
    }

    // The request is over, answered or not; one wanted meanwhile goes out now.
    void settle(const std::optional<std::optional<QString>>& answer) {
        const bool fresh = !stale;
        stage = Stage::Idle;
        timeout.stop();
        bytes.clear();
        stale = false;
        if (answer && fresh && done) done(*answer);
        if (askAgain) {
            askAgain = false;
            ask(utf8);
        }
    }
    void finish(const std::optional<QString>& text) { settle(text); }

    QString decoded() const {
        return target == utf8 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
    }

    // The property's value, deleted once read: the owner's cue for the next piece.
    bool takeProperty(xcb_atom_t* type) {
        const auto cookie =
            xcb_get_property(c, 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 0x1FFFFFFF);
        const xcb::Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(c, cookie, nullptr));
        if (!r) return false;
        *type = r->type;
        const int length = xcb_get_property_value_length(r.get());
        if (r->type != incr && length > 0)
            bytes.append(static_cast<const char*>(xcb_get_property_value(r.get())), length);
        xcb_flush(c);
        return length > 0;
    }

    void onSelection(const xcb_selection_notify_event_t* e) {
        if (stage != Stage::Asked || e->requestor != window) return;
        if (e->property == XCB_NONE) {
            // No UTF-8 text: perhaps Latin-1, else no text at all (an image).
            if (target == utf8)
                ask(XCB_ATOM_STRING);
            else
                finish(std::nullopt);
            return;
        }
        xcb_atom_t type = XCB_NONE;
        takeProperty(&type);
        if (type == incr) {
            stage = Stage::Pieces;
            bytes.clear();
            timeout.start();
            return;
        }
        finish(decoded());
    }

    void onProperty(const xcb_property_notify_event_t* e) {
        if (stage != Stage::Pieces || e->window != window || e->atom != property ||
            e->state != XCB_PROPERTY_NEW_VALUE)
            return;
        xcb_atom_t type = XCB_NONE;
        if (takeProperty(&type)) {
            timeout.start(); // the owner is still sending
            return;
        }
        finish(decoded()); // an empty piece ends the text
    }

    void drain() {
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            switch (e->response_type & 0x7F) {
            case XCB_SELECTION_NOTIFY:
                onSelection(reinterpret_cast<xcb_selection_notify_event_t*>(e));
                break;
            case XCB_PROPERTY_NOTIFY:
                onProperty(reinterpret_cast<xcb_property_notify_event_t*>(e));
                break;
            default:
                break;
            }
            std::free(e);
        }
    }
};

std::unique_ptr<X11ClipboardReader> X11ClipboardReader::create(Done done, int timeoutMs) {
    auto s = std::make_unique<State>();
    if (!s->open()) return nullptr;
    s->window = xcb_generate_id(s->c);
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(s->c, XCB_COPY_FROM_PARENT, s->window, s->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    s->clipboard = xcb::atom(s->c, "CLIPBOARD");
    s->utf8 = xcb::atom(s->c, "UTF8_STRING");
    s->incr = xcb::atom(s->c, "INCR");
    s->property = xcb::atom(s->c, "KURUMIN_CLIPBOARD");
    s->done = std::move(done);
    s->timeout.setSingleShot(true);
    s->timeout.setInterval(timeoutMs);
    return std::unique_ptr<X11ClipboardReader>(new X11ClipboardReader(std::move(s)));
}

X11ClipboardReader::X11ClipboardReader(std::unique_ptr<State> state) : s_(std::move(state)) {
    State* s = s_.get();
    s->watch(this, [s] { s->drain(); });
    // An owner that never answers: the text stays what it was.
    connect(&s->timeout, &QTimer::timeout, this, [s] { s->settle(std::nullopt); });
}

X11ClipboardReader::~X11ClipboardReader() = default;

void X11ClipboardReader::forget() {
    if (s_->stage != State::Stage::Idle) s_->stale = true;
}

void X11ClipboardReader::fetch() {
    if (s_->stage != State::Stage::Idle) {
        s_->askAgain = true;
        return;
    }
    s_->ask(s_->utf8);
    // Replies read while asking may have queued events the notifier will not see.
    s_->drain();
}

} // namespace kurumin
