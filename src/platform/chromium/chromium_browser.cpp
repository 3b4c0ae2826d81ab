#include "platform/chromium/chromium_browser.h"

namespace kurumin {

std::unique_ptr<DrivenBrowser> createChromiumBrowser(const DrivenBrowserOptions& options,
                                                     ShellPort& fallback) {
    return std::make_unique<DrivenBrowser>(
        [](BrowserConnection&) { return std::make_unique<ChromiumProtocol>(); }, options, fallback);
}

} // namespace kurumin
