#pragma once
// Chromium's pages over the DevTools protocol: the targets come and go by
// discovery events, and each page is attached to and handed a listener that
// tells its visibility and focus, and their changes while another page
// shows the same title.

#include "platform/browser_link/browser_connection.h"
#include "platform/browser_link/browser_session.h"
#include "platform/browser_link/followed_pages.h"

#include <QObject>

namespace kurumin {

class PageTracker : public PageFeed {
    Q_OBJECT
  public:
    PageTracker(BrowserConnection& connection, FollowedPages& pages);

    void start() override;

  private:
    void onEvent(const QString& method, const QJsonObject& params, const QString& sessionId);
    void updateTarget(const QJsonObject& info);
    void followTwins(const QString& title);
    void listen(const QString& targetId, const QString& seen = {}, int failures = 0);
    void retryLater(const QString& targetId, const QString& session, int failures);
    // Waits in the listener's world `context` for the page's state to leave `seen`;
    // `set` once the listener is set up there.
    void awaitChange(const QString& targetId, const QString& session, const QJsonValue& context,
                     const QString& seen, int failures, bool set = false);
    bool told(FollowedPages::Page& page, const QString& state);
    void askAbout(const QString& targetId);
    void relistAgain();
    void relist(int afterMs);
    void reconcile(const QJsonObject& listing);

    BrowserConnection& connection_;
    FollowedPages& pages_;
    int relists_ = 0; // for the front window and title that matched no page
    bool listing_ = false;
};

} // namespace kurumin
