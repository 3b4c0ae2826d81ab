#pragma once
// The browser port on a Chromium-family browser, driven over its DevTools
// protocol from the UI thread. The browser is started with a profile of its
// own in the data folder and is never stopped by us: its windows stay open
// when Kurumin exits, and the next start attaches to it again.
//
// Which page is in front follows from what the pages and the desktop report
// (see page_tracker.h), so pages() returns the last known flags without
// waiting. A page just opened shows in front once it has told.

#include "platform/browser.h"
#include "platform/desktop.h"

#include <memory>

namespace kurumin {

// When no browser is installed, addresses go to the fallback (the desktop's handler).
std::unique_ptr<BrowserPort> createChromiumBrowser(const QString& dataFolder, ShellPort& fallback,
                                                   WindowSystemPort& desktop);

} // namespace kurumin
