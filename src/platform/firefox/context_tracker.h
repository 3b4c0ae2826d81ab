#pragma once
// Firefox's tabs over WebDriver BiDi: each top-level browsing context is a
// tab, coming and going by events, and a small reporter, preloaded into every
// new document of a sandbox of its own (and run once in the documents already
// open), tells the document's visibility, focus and title on each change.

#include "platform/browser_link/browser_connection.h"
#include "platform/browser_link/browser_session.h"
#include "platform/browser_link/followed_pages.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QObject>

#include <utility>
#include <vector>

namespace kurumin {

class ContextTracker : public PageFeed {
    Q_OBJECT
  public:
    ContextTracker(BrowserConnection& connection, FollowedPages& pages);

    void start() override;

  private:
    void onEvent(const QString& method, const QJsonObject& params);
    void report(const QString& context);
    void told(const QString& context, const QString& words);
    void apply(FollowedPages::Page& page, const QJsonArray& state);
    FollowedPages::Page& track(const QString& id);

    BrowserConnection& connection_;
    FollowedPages& pages_;
    std::vector<std::pair<QString, QJsonArray>> unannounced_; // last reports, oldest first
};

} // namespace kurumin
