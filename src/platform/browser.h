#pragma once
// The browser port: open a page in a new window, list the open pages.

#include "platform/desktop.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace kurumin {

enum class OpenFailure {
    None,
    Refused,        // not a web or file address
    NoBrowser,      // nothing to open it with
    StartFailed,    // the browser could not be started
    ConnectionLost, // the connection broke before the answer
    BrowserError,   // the browser answered with an error
    Timeout,        // no answer in time
};

struct OpenResult {
    OpenFailure failure = OpenFailure::None;
    QString detail;
    bool ok() const { return failure == OpenFailure::None; }
    static OpenResult failed(OpenFailure kind, const QString& detail) { return {kind, detail}; }
};

struct BrowserPage {
    WindowHandle window = 0; // X window of the page's browser window, 0 when unknown
    QString url;
    QString title;
    // The front tab of the desktop's front window, whatever holds the focus
    // inside that window.
    bool inFront = false;
};

class BrowserPort {
  public:
    virtual ~BrowserPort() = default;
    using OpenCallback = std::function<void(const OpenResult&)>;
    // Never blocks and never calls back from inside this call: the answer
    // arrives later, as its own event on the UI thread.
    virtual void openPage(const QString& url, OpenCallback done) = 0;
    // The live list of open pages; cheap, no round trip to the browser.
    virtual std::vector<BrowserPage> pages() = 0;
    // The one page in front, if a page of the browser is; as cheap.
    virtual std::optional<BrowserPage> frontPage();
    // Runs on the UI thread, never from inside a call to the port, once the
    // page in front changed; one handler at a time.
    virtual void setFrontPageHandler(std::function<void()> handler) { (void)handler; }
};

// The address as the browser is asked to open it: "http://" in front of an
// address without a scheme; script and data addresses refused (empty result).
QString normaliseBrowserAddress(const QString& url);

} // namespace kurumin
