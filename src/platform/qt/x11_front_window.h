#pragma once
// The desktop's front window, its title and its process, kept current from
// the window manager's change notifications as Qt's own connection receives
// them, so reading them costs no round trip to the X server and hearing them
// no wake-up of the loop of its own.

#include <xcb/xcb.h>

#include <QByteArray>
#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>

namespace kurumin {

class X11FrontWindow : public QObject {
  public:
    // Over Qt's own connection to the X server; null without one.
    static std::unique_ptr<X11FrontWindow> create(xcb_connection_t* qtConnection);
    ~X11FrontWindow() override;

    std::uint32_t window() const; // 0 when none is in front
    // The front window's _NET_WM_NAME (or WM_NAME), UTF-8, at most TitleBytes.
    QByteArray title() const;
    // Its _NET_WM_PID; 0 when it tells none.
    qint64 process() const;
    static constexpr int TitleBytes = 4096;

    void setChangeHandler(std::function<void()> handler);

    struct State;

  private:
    explicit X11FrontWindow(std::unique_ptr<State> state);
    std::unique_ptr<State> s_;
};

} // namespace kurumin
