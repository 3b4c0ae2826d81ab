#pragma once
// The browser a benchmark measures: started on its own profile, with room
// for a cold start, and no desktop handler to fall back on, so that a browser
// that cannot start fails the open instead of opening the page elsewhere.

#include "event_waits.h"
#include "platform/chromium/chromium_browser.h"
#include "platform/firefox/firefox_browser.h"

#include <signal.h>

namespace kurumin::bench {

class NoShell : public ShellPort {
  public:
    void open(const QString&, const QString&) override { throw PlatformFailure("no handler"); }
};

inline ChromiumOptions browserOptions(const QString& dataFolder, WindowSystemPort& desktop) {
    ChromiumOptions options;
    options.dataFolder = dataFolder;
    options.requestTimeoutMs = 10000;
    options.startTimeoutMs = 30000;
    options.desktop = &desktop;
    return options;
}

inline FirefoxOptions firefoxOptions(const QString& dataFolder, WindowSystemPort& desktop) {
    FirefoxOptions options;
    static_cast<BrowserSessionOptions&>(options) = browserOptions(dataFolder, desktop);
    options.requestTimeoutMs = 10000;
    options.desktop = &desktop;
    options.programs = firefoxPrograms();
    return options;
}

// The browser outlives the port by design: the benchmark's own is ended.
inline void endBrowser(qint64 pid) {
    if (pid <= 0) return;
    ::kill(pid_t(pid), SIGTERM);
    if (!runUntil(
            "the browser to end", [&] { return ::kill(pid_t(pid), 0) != 0; }, 15000, 20))
        ::kill(pid_t(pid), SIGKILL);
}

} // namespace kurumin::bench
