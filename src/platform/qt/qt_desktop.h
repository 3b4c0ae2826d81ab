#pragma once
// One of each real desktop service, and the Services bundle over them.

#include "platform/qt/qt_services.h"
#include "platform/services.h"

namespace kurumin {

struct QtDesktop {
    explicit QtDesktop(QtClipboard::Read read = QtClipboard::Read::OwnConnection)
        : clipboard(read) {}

    QtMessageBox messageBox;
    QtBeep beep;
    QtClock clock;
    X11WindowSystem windows;
    QtClipboard clipboard;
    QtFileDialog fileDialog;
    XdgShell shell;
    QtProgram program;
    LockFileInstance instance;
    Utf8TextAppend textAppend;
    QtTimers timers;
    QtEventLoop loop;

    Services services(ProfilePort& profile, BrowserPort& browser) {
        return Services{messageBox, beep,    clock,      windows, clipboard, fileDialog, shell,
                        program,    profile, textAppend, timers,  loop,      browser};
    }
};

} // namespace kurumin
