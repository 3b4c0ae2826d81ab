#pragma once
// The browser a benchmark measures: started on its own profile, with room
// for a cold start, and no desktop handler to fall back on, so that a browser
// that cannot start fails the open instead of opening the page elsewhere.

#include "platform/chromium/chromium_browser.h"

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

} // namespace kurumin::bench
