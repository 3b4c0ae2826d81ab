#pragma once
// The browser port on Firefox, over WebDriver BiDi. A clean exit ends our
// BiDi session, since Firefox allows only one.

#include "platform/browser_link/driven_browser.h"
#include "platform/firefox/firefox_launch.h"

#include <memory>

namespace kurumin {

// The process a running Firefox names in its profile's lock; 0 when none.
qint64 firefoxLockProcess(const QString& profileFolder);

std::unique_ptr<DrivenBrowser> createFirefoxBrowser(const DrivenBrowserOptions& options,
                                                    ShellPort& fallback);

} // namespace kurumin
