#pragma once
// A browser's pages as last heard, and which of them is in front.
//
// The page in front is the front tab of the browser window in front,
// whatever holds the keyboard focus inside that window (the page, the
// address bar, a new tab's box). Each page tells its own visibility and
// focus from a listener the page's own scripts cannot reach; a window's
// front tab is its one visible page, and the desktop's front window is
// matched to it by its title, which the browser makes of the front tab's
// title and its own name, and by the process that owns it when that is
// known. What the pages and the desktop tell is placed once per turn of the
// event loop, however often they tell it; reading never waits.

#include "platform/browser.h"
#include "platform/desktop.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>
#include <vector>

namespace kurumin {

// How the browser names a window after its front tab.
struct WindowNaming {
    QString separator;              // between the page's title and the browser's name
    bool untitledShowsName = false; // an untitled page's window shows the browser's name alone
};

class FollowedPages : public QObject {
    Q_OBJECT
  public:
    struct Page {
        QString id;
        QString url;
        QString title;
        QString session;      // the protocol's own handle on the page, when it needs one
        bool visible = false; // as the page last told
        bool focused = false;
        quint64 told = 0;     // order of the page's last report
        bool waiting = false; // for its listener's next report
    };

    // Without a desktop the visible page with the focus is in front.
    FollowedPages(WindowSystemPort* desktop, WindowNaming naming);
    ~FollowedPages() override;

    std::vector<BrowserPage> pages();
    // The page in front carries the desktop's front window, when the desktop is known.
    std::optional<BrowserPage> frontPage();
    // Runs on the UI thread when the page in front changed: another page, another
    // address or title, or none any more.
    void setFrontChangeHandler(std::function<void()> handler) {
        frontChanged_ = std::move(handler);
    }
    // Runs when pages exist but none shows the front window's title, with
    // whether this is the first time for that window and title, and the page
    // most likely in front: the visible first, then the focused, then the last
    // to tell.
    void setUnmatchedHandler(std::function<void(bool first, const QString& likely)> handler) {
        unmatched_ = std::move(handler);
    }
    // The browser's process, to match the front window's owner; 0 when unknown.
    void setBrowserProcess(qint64 pid);

    Page* find(const QString& id);
    Page* findSession(const QString& session);
    // The page, followed from now on when it was not yet.
    Page& track(const QString& id, bool* added = nullptr);
    void forget(const QString& id);
    void clear();
    std::vector<Page>& all() { return pages_; }
    // A page just opened, shown until the browser says more.
    void addOpened(const QString& id, const QString& url);
    // What a page's listener says of it.
    void tell(Page& page, bool visible, bool focused);
    // How many pages show this title: with two or more, only their state tells which is in front.
    int showing(const QString& title) const;
    // Something that decides the front changed: placed at the next turn, or at the next read.
    void changed();
    // Catches up with a desktop that sends no change notification.
    void refresh();

  private:
    void place();
    void announce();

    WindowSystemPort* desktop_;
    WindowNaming naming_;
    std::vector<Page> pages_;
    std::function<void()> frontChanged_;
    std::function<void(bool, const QString&)> unmatched_;
    QString frontId_;
    WindowHandle frontWindow_ = 0;
    BrowserPage shown_;                             // the front page as last announced
    std::size_t placedFor_ = 0;                     // the desktop as the front was last placed for
    std::size_t unmatchedFor_ = 0;                  // the desktop whose title last matched no page
    std::pair<WindowHandle, qint64> ownerOf_{0, 0}; // the front window's process
    qint64 browserProcess_ = 0;
    quint64 reports_ = 0;
    bool due_ = false; // a placing is waiting for the next turn
    // A zero timer, not a posted call: no wake-up of the loop of its own per change.
    QTimer turn_;
};

} // namespace kurumin
