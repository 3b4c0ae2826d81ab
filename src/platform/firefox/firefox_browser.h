#pragma once
// The browser port on Firefox, driven over WebDriver BiDi from the UI
// thread: a session that reaches the browser and opens pages, and a tracker
// that follows its tabs, sharing one connection. Firefox is started with a
// profile of its own in the data folder and is never stopped by us; a clean
// exit ends our BiDi session, since Firefox allows only one.

#include "platform/browser.h"
#include "platform/browser_link/browser_connection.h"
#include "platform/browser_link/browser_session.h"
#include "platform/desktop.h"
#include "platform/firefox/context_tracker.h"
#include "platform/firefox/firefox_launch.h"

#include <memory>
#include <vector>

namespace kurumin {

struct FirefoxOptions : BrowserSessionOptions {
    FirefoxOptions() { programs = firefoxPrograms(); }
    int requestTimeoutMs = 5000;
    // Which window is in front; without it the visible page with the focus counts.
    WindowSystemPort* desktop = nullptr;
};

// The process a running Firefox names in its profile's lock; 0 when none.
qint64 firefoxLockProcess(const QString& profileFolder);

class FirefoxBrowser : public BrowserPort {
  public:
    FirefoxBrowser(const FirefoxOptions& options, ShellPort& fallback);
    ~FirefoxBrowser() override;

    void openPage(const QString& url, OpenCallback done) override;
    // Tabs of a browser left running by an earlier run are followed too.
    std::vector<BrowserPage> pages() override;

    ContextTracker& tracker() { return tracker_; }
    QString profileFolder() const { return session_.profileFolder(); }
    qint64 startedProcess() const { return session_.startedProcess(); }
    bool isConnected() const { return session_.isConnected(); }

  private:
    BrowserConnection connection_;
    FirefoxProtocol protocol_;
    ContextTracker tracker_;
    BrowserSession session_;
    qint64 process_ = 0; // the browser's, as of the last greeting
};

// `program` is the Firefox to run; without one, addresses go to the fallback.
std::unique_ptr<BrowserPort> createFirefoxBrowser(const QString& dataFolder, ShellPort& fallback,
                                                  WindowSystemPort& desktop,
                                                  const QString& program);

} // namespace kurumin
