#include "platform/browser_link/driven_browser.h"

namespace kurumin {

DrivenBrowserOptions programOptions(const QString& dataFolder, WindowSystemPort& desktop,
                                    const QString& program) {
    DrivenBrowserOptions options;
    options.dataFolder = dataFolder;
    options.desktop = &desktop;
    options.programs = program.isEmpty() ? QStringList() : QStringList{program};
    return options;
}

DrivenBrowser::DrivenBrowser(const ProtocolMaker& makeProtocol, const DrivenBrowserOptions& options,
                             ShellPort& fallback)
    : protocol_(makeProtocol(connection_)), pages_(options.desktop, protocol_->naming()),
      feed_(protocol_->feed(connection_, pages_)),
      session_(connection_, *protocol_, options, fallback) {
    connection_.setRequestTimeout(options.requestTimeoutMs);
    QObject::connect(&connection_, &BrowserConnection::lost, &pages_, &FollowedPages::clear);
    // Ahead of the opens queued meanwhile, so their windows are followed from the start.
    QObject::connect(&session_, &BrowserSession::ready, feed_.get(), [this] {
        pages_.setBrowserProcess(
            protocol_->browserProcess(session_.profileFolder(), session_.startedProcess()));
        feed_->start();
    });
    QObject::connect(&session_, &BrowserSession::pageOpened, &pages_, &FollowedPages::addOpened);
}

DrivenBrowser::~DrivenBrowser() {
    protocol_->farewell();
}

void DrivenBrowser::openPage(const QString& url, OpenCallback done) {
    session_.openPage(url, std::move(done));
}

// A listing never starts a browser, it only attaches to one.
void DrivenBrowser::catchUp() {
    session_.attachIfRunning();
    if (!connection_.isOpen()) return;
    pages_.refresh();
    feed_->refresh();
}

std::vector<BrowserPage> DrivenBrowser::pages() {
    catchUp();
    return pages_.pages();
}

std::optional<BrowserPage> DrivenBrowser::frontPage() {
    catchUp();
    return pages_.frontPage();
}

void DrivenBrowser::setFrontPageHandler(std::function<void()> handler) {
    pages_.setFrontChangeHandler(std::move(handler));
}

} // namespace kurumin
