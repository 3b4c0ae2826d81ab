#include "platform/qt/xcb_connection.h"

namespace kurumin::xcb {

Connection::~Connection() {
    notifier_.reset(); // before the socket it watches is closed
    if (c) xcb_disconnect(c);
}

bool Connection::open() {
    int screenNumber = 0;
    c = xcb_connect(nullptr, &screenNumber);
    if (!c || xcb_connection_has_error(c)) return false;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    root = it.rem ? it.data->root : 0;
    return root != 0;
}

void Connection::watch(QObject* context, std::function<void()> drain) {
    notifier_ =
        std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, context, std::move(drain));
}

} // namespace kurumin::xcb
