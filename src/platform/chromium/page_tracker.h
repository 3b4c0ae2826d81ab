#pragma once
// The browser's pages as last heard, and which of them is in front.
//
// Which page is in front: each page is asked document.hasFocus(). That value
// follows the desktop's keyboard focus (window manager activation plus the
// active tab), which is what the capture compares against; the protocol's own
// target and window queries know nothing of the desktop focus, and a window
// handle from the X server would still leave the tab unknown. The answers are
// gathered in the background, at most every refreshMs, whenever refresh() is
// called, so reading never waits. They are asked again only when the
// desktop's front window, its title or the set of pages changed, and only of
// pages whose title the front window's title starts with.

#include "platform/browser.h"
#include "platform/chromium/cdp_connection.h"
#include "platform/desktop.h"

#include <QElapsedTimer>
#include <QObject>

#include <functional>
#include <optional>
#include <vector>

namespace kurumin {

class PageTracker : public QObject {
    Q_OBJECT
  public:
    // Follows whatever the connection is open to, from each time it opens.
    // Without a desktop every page is asked at every refresh.
    PageTracker(CdpConnection& connection, WindowSystemPort* desktop, int refreshMs = 300);
    ~PageTracker() override;

    // From the cache, no round trip. The page in front carries the desktop's
    // front window, when the desktop is known.
    std::vector<BrowserPage> pages() const;
    std::optional<BrowserPage> frontPage() const;
    // Starts bringing the cache up to date, when due; answers arrive later.
    void refresh();
    // A page just opened. Usually announced already; if not, shown until the browser does.
    void addOpened(const QString& targetId, const QString& url);

  private:
    struct Target {
        QString id;
        QString url;
        QString title;
        QString sessionId;
        WindowHandle window = 0; // while in front
        bool inFront = false;
        bool asking = false;
    };

    void onOpened();
    void onLost();
    void onEvent(const QString& method, const QJsonObject& params, const QString& sessionId);
    void relist(std::function<void()> then);
    std::size_t desktopKey(WindowHandle front, const QString& frontTitle) const;
    void askFocus(const QString& targetId, WindowHandle front);
    void reconcile(const QJsonObject& listing);
    Target* find(const QString& targetId);
    void updateTarget(const QJsonObject& info);
    void forget(const QString& targetId);

    CdpConnection& connection_;
    WindowSystemPort* desktop_;
    int refreshMs_;
    std::vector<Target> targets_;
    QElapsedTimer lastRefresh_;
    std::size_t askedFor_ = 0; // the desktop and pages the focus answers are for
    bool listing_ = false;
};

} // namespace kurumin
