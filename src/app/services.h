#pragma once
// The platform ports one panel runs on.

#include "platform/browser.h"
#include "platform/desktop.h"

#include <functional>
#include <memory>

namespace kurumin {

class Panel;
struct StepWindow;

// Builds the window of a floating step window over its model. The view
// passes clicks and moves back through Panel::stepClick / stepMouseMove.
class StepWindowHostPort {
  public:
    virtual ~StepWindowHostPort() = default;
    virtual std::unique_ptr<WindowPort> createStepWindow(Panel& panel, StepWindow& model) = 0;
};

struct Services {
    MessageBoxPort& messageBox;
    BeepPort& beep;
    ClockPort& clock;
    WindowSystemPort& windows;
    ClipboardPort& clipboard;
    FileDialogPort& fileDialog;
    ShellPort& shell;
    ProgramPort& program;
    ProfilePort& profile;
    TextAppendPort& textAppend;
    TimerFactoryPort& timers;
    EventLoopPort& loop;
    BrowserPort& browser;
    StepWindowHostPort& stepWindows;
};

} // namespace kurumin
