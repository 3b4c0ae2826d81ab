#pragma once
// The browser port on a Chromium-family browser, over its DevTools protocol.

#include "platform/browser_link/driven_browser.h"
#include "platform/chromium/browser_launch.h"

#include <memory>

namespace kurumin {

std::unique_ptr<DrivenBrowser> createChromiumBrowser(const DrivenBrowserOptions& options,
                                                     ShellPort& fallback);

} // namespace kurumin
