#pragma once
// The about window Form2 and its help link.

#include "panel/panel_windows.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

namespace kurumin {

class AboutWindow;

class AboutWindowHost : public AboutWindowHostPort {
  public:
    AboutWindowHost();
    ~AboutWindowHost() override;
    AboutWindowHost(const AboutWindowHost&) = delete;
    AboutWindowHost& operator=(const AboutWindowHost&) = delete;
    WindowPort& aboutWindow(std::function<void()> onLink) override;
    // The widget, once shown; for the tests.
    QWidget* widget() const;

  private:
    std::unique_ptr<AboutWindow> window_;
};

} // namespace kurumin
