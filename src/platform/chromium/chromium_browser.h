#pragma once
// The browser port on a Chromium-family browser, driven over its DevTools
// protocol from the UI thread. The browser is started with a profile of its
// own beside the program and is never stopped by us: its windows stay open
// when Kurumin exits, and the next start attaches to it again.
//
// Which page is in front: each page is asked document.hasFocus(). That value
// follows the desktop's keyboard focus (window manager activation plus the
// active tab), which is what the capture compares against; the protocol's own
// target and window queries know nothing of the desktop focus, and a window
// handle from the X server would still leave the tab unknown. The answers are
// gathered in the background, at most every 300 ms, whenever pages() is
// called, so pages() itself returns the last known flags without waiting.
// They are asked again only when the desktop's front window, its title or
// the set of pages changed, and only of pages whose title the front window's
// title starts with.
// The first call after a page opens may therefore still show it behind.

#include "platform/browser.h"
#include "platform/desktop.h"

#include <memory>

namespace kurumin {

// When no browser is installed, addresses go to the fallback (the desktop's handler).
std::unique_ptr<BrowserPort> createChromiumBrowser(const QString& programFolder,
                                                   ShellPort& fallback, WindowSystemPort& desktop);

} // namespace kurumin
