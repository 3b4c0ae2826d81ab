#pragma once
// The browser a benchmark measures: started on its own profile, with room
// for a cold start, and no desktop handler to fall back on, so that a browser
// that cannot start fails the open instead of opening the page elsewhere.

#include "event_waits.h"
#include "platform/chromium/browser_launch.h"
#include "platform/chromium/chromium_browser.h"
#include "platform/firefox/firefox_browser.h"
#include "platform/firefox/firefox_launch.h"

#include <signal.h>

namespace kurumin::bench {

class NoShell : public ShellPort {
  public:
    void open(const QString&, const QString&) override { throw PlatformFailure("no handler"); }
};

// On its own profile, with room for a cold start; Chromium's programs unless Firefox is asked for.
inline DrivenBrowserOptions browserOptions(const QString& dataFolder, WindowSystemPort& desktop,
                                           bool firefox = false) {
    DrivenBrowserOptions options;
    options.dataFolder = dataFolder;
    options.requestTimeoutMs = 10000;
    options.startTimeoutMs = 30000;
    options.desktop = &desktop;
    options.programs = firefox ? firefoxPrograms() : defaultBrowserPrograms();
    return options;
}

// The port as the program makes it.
inline std::unique_ptr<DrivenBrowser>
makeBrowser(const QString& dataFolder, WindowSystemPort& desktop, ShellPort& shell, bool firefox) {
    const DrivenBrowserOptions options = browserOptions(dataFolder, desktop, firefox);
    return firefox ? createFirefoxBrowser(options, shell) : createChromiumBrowser(options, shell);
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
