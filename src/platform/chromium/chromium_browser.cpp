#include "platform/chromium/chromium_browser.h"

namespace kurumin {

ChromiumBrowser::ChromiumBrowser(const ChromiumOptions& options, ShellPort& fallback)
    : tracker_(connection_, options.desktop, options.focusRefreshMs),
      session_(connection_, protocol_, options, fallback) {
    connection_.setRequestTimeout(options.requestTimeoutMs);
    QObject::connect(&session_, &BrowserSession::pageOpened, &tracker_, &PageTracker::addOpened);
}

ChromiumBrowser::~ChromiumBrowser() = default;

void ChromiumBrowser::openPage(const QString& url, OpenCallback done) {
    session_.openPage(url, std::move(done));
}

std::vector<BrowserPage> ChromiumBrowser::pages() {
    // A listing never starts a browser, it only attaches to one.
    session_.attachIfRunning();
    tracker_.refresh();
    return tracker_.pages();
}

std::unique_ptr<BrowserPort> createChromiumBrowser(const QString& dataFolder, ShellPort& fallback,
                                                   WindowSystemPort& desktop,
                                                   const QString& program) {
    ChromiumOptions options;
    options.dataFolder = dataFolder;
    options.desktop = &desktop;
    options.programs = program.isEmpty() ? QStringList() : QStringList{program};
    return std::make_unique<ChromiumBrowser>(options, fallback);
}

} // namespace kurumin
