#pragma once
// The browser port on a Chromium-family browser, driven over its DevTools
// protocol from the UI thread: a session that reaches the browser and opens
// pages, and a tracker that follows its pages, sharing one connection. The
// browser is started with a profile of its own in the data folder and is
// never stopped by us: its windows stay open when Kurumin exits, and the next
// start attaches to it again.
//
// Which page is in front follows from what the pages and the desktop report
// (see page_tracker.h), so pages() returns the last known flags without
// waiting. A page just opened shows in front once it has told.

#include "platform/browser.h"
#include "platform/browser_link/browser_connection.h"
#include "platform/browser_link/browser_session.h"
#include "platform/chromium/browser_launch.h"
#include "platform/chromium/page_tracker.h"
#include "platform/desktop.h"

#include <memory>
#include <vector>

namespace kurumin {

struct ChromiumOptions : BrowserSessionOptions {
    ChromiumOptions() { programs = defaultBrowserPrograms(); }
    int requestTimeoutMs = 5000;
    int focusRefreshMs = 300;
    // Which window is in front; without it the visible page with the focus counts.
    WindowSystemPort* desktop = nullptr;
};

class ChromiumBrowser : public BrowserPort {
  public:
    ChromiumBrowser(const ChromiumOptions& options, ShellPort& fallback);
    // Outstanding callbacks are dropped; the browser keeps running.
    ~ChromiumBrowser() override;

    void openPage(const QString& url, OpenCallback done) override;
    // Pages of a browser left running by an earlier run are followed too.
    std::vector<BrowserPage> pages() override;

    PageTracker& tracker() { return tracker_; }
    QString profileFolder() const { return session_.profileFolder(); }
    qint64 startedProcess() const { return session_.startedProcess(); }
    bool isConnected() const { return session_.isConnected(); }

  private:
    BrowserConnection connection_;
    ChromiumProtocol protocol_;
    // Ahead of the session, so discovery is on before the opens queued meanwhile go out.
    PageTracker tracker_;
    BrowserSession session_;
};

// `program` is the browser to run; without one, addresses go to the fallback
// (the desktop's handler).
std::unique_ptr<BrowserPort> createChromiumBrowser(const QString& dataFolder, ShellPort& fallback,
                                                   WindowSystemPort& desktop,
                                                   const QString& program);

} // namespace kurumin
