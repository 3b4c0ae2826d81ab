#pragma once
// The platform ports one panel runs on.

#include "platform/browser.h"
#include "platform/desktop.h"

namespace kurumin {

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
};

} // namespace kurumin
