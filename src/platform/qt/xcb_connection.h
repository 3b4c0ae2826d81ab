#pragma once
// A connection of its own to the X server, beside Qt's, read on the UI
// thread: what arrives is handed to a drain function from the event loop, so
// nothing ever waits on the server.

#include <xcb/xcb.h>

#include <QObject>
#include <QSocketNotifier>

#include <functional>
#include <memory>

namespace kurumin::xcb {

class Connection {
  public:
    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    // To the default display; false when there is none.
    bool open();
    // drain runs in context's thread whenever the connection has data.
    void watch(QObject* context, std::function<void()> drain);

    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0; // of the default screen

  private:
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace kurumin::xcb
