#pragma once
// The browser's pages as last heard, and which of them is in front.
//
// The page in front is the front tab of the browser window in front,
// whatever holds the keyboard focus inside that window (the page, the
// address bar, a new tab's box). Each page tells its own visibility: once
// attached, a small listener in the page reports every change of
// document.visibilityState (and of its focus) through a binding, so nothing
// is asked at a tick. A window's front tab is its one visible page; the
// desktop's front window is matched to it by its title, which the browser
// makes of the front tab's title and its own name. The desktop's front
// window is followed by its change notification, so the page in front is
// known as soon as the desktop and the page have told; reading never waits.

#include "platform/browser.h"
#include "platform/browser_link/browser_connection.h"
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
    // Without a desktop the page in front is the visible one with the focus.
    PageTracker(BrowserConnection& connection, WindowSystemPort* desktop, int refreshMs = 300);
    ~PageTracker() override;

    // From the cache, no round trip. The page in front carries the desktop's
    // front window, when the desktop is known.
    std::vector<BrowserPage> pages() const;
    std::optional<BrowserPage> frontPage() const;
    // Catches up with a desktop that sends no change notification, and
    // attaches to pages not yet followed, at most every refreshMs.
    void refresh();
    // A page just opened. Usually announced already; if not, shown until the browser does.
    void addOpened(const QString& targetId, const QString& url);

  private:
    struct Target {
        QString id;
        QString url;
        QString title;
        QString sessionId;
        bool attaching = false;
        bool visible = false; // as the page last told
        bool focused = false;
        quint64 told = 0; // order of the page's last report
    };

    void onOpened();
    void onLost();
    void onEvent(const QString& method, const QJsonObject& params, const QString& sessionId);
    void relist(int afterMs);
    void reconcile(const QJsonObject& listing);
    Target* find(const QString& targetId);
    Target* findSession(const QString& sessionId);
    Target& track(const QString& targetId);
    void updateTarget(const QJsonObject& info);
    void forget(const QString& targetId);
    void follow(Target& target);
    void listen(const QString& targetId);
    void told(Target& target, const QString& state);
    void placeFront();

    BrowserConnection& connection_;
    WindowSystemPort* desktop_;
    int refreshMs_;
    std::vector<Target> targets_;
    QElapsedTimer lastRefresh_;
    QString frontId_;
    WindowHandle frontWindow_ = 0;
    std::size_t placedFor_ = 0;   // the desktop as the front was last placed for
    std::size_t relistedFor_ = 0; // the desktop whose unmatched title was last relisted for
    int relists_ = 0;             // for it so far
    quint64 reports_ = 0;
    bool listing_ = false;
};

} // namespace kurumin
