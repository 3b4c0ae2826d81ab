#pragma once
// The browser port on a browser driven over its automation protocol from the
// UI thread: a session that reaches the browser and opens pages, and the
// protocol's feed that follows its pages, sharing one connection. The browser
// runs on a profile of its own in the data folder and is never stopped by us:
// its windows stay open when Kurumin exits, and the next start attaches to it.

#include "platform/browser.h"
#include "platform/browser_link/browser_connection.h"
#include "platform/browser_link/browser_session.h"
#include "platform/browser_link/followed_pages.h"
#include "platform/desktop.h"

#include <functional>
#include <memory>
#include <vector>

namespace kurumin {

struct DrivenBrowserOptions : BrowserSessionOptions {
    int requestTimeoutMs = 5000;
    // Which window is in front; without it the visible page with the focus counts.
    WindowSystemPort* desktop = nullptr;
};

// The options the program runs with. `program` is the browser to run;
// without one, addresses go to the fallback (the desktop's handler).
DrivenBrowserOptions programOptions(const QString& dataFolder, WindowSystemPort& desktop,
                                    const QString& program);

class DrivenBrowser : public BrowserPort {
  public:
    using ProtocolMaker = std::function<std::unique_ptr<BrowserProtocol>(BrowserConnection&)>;
    DrivenBrowser(const ProtocolMaker& makeProtocol, const DrivenBrowserOptions& options,
                  ShellPort& fallback);
    // Outstanding callbacks are dropped; the browser keeps running.
    ~DrivenBrowser() override;

    void openPage(const QString& url, OpenCallback done) override;
    // Pages of a browser left running by an earlier run are followed too.
    std::vector<BrowserPage> pages() override;
    std::optional<BrowserPage> frontPage() override;
    void setFrontPageHandler(std::function<void()> handler) override;

    QString profileFolder() const { return session_.profileFolder(); }
    qint64 startedProcess() const { return session_.startedProcess(); }
    bool isConnected() const { return session_.isConnected(); }

  private:
    void catchUp();

    BrowserConnection connection_;
    std::unique_ptr<BrowserProtocol> protocol_;
    FollowedPages pages_;
    std::unique_ptr<PageFeed> feed_;
    BrowserSession session_;
};

} // namespace kurumin
