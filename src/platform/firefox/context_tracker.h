#pragma once
// Firefox's windows as last heard over WebDriver BiDi, and which is in front.
//
// Each top-level browsing context is a tab. Contexts come and go by events;
// a small reporter, preloaded into every new document (and run once in the
// documents already open), tells the document's visibility, focus and title
// on each change. The page in front is the visible tab of the browser window
// the desktop has in front, whatever holds the focus inside that window:
// the window is matched by the process that owns it and by its title, which
// Firefox makes of the tab's title and its own name. Reading never waits.

#include "platform/browser.h"
#include "platform/browser_link/browser_connection.h"
#include "platform/desktop.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QObject>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace kurumin {

class ContextTracker : public QObject {
    Q_OBJECT
  public:
    // `browserProcess` names the browser's process, 0 when unknown. Without a
    // desktop the visible page with the focus is in front.
    ContextTracker(BrowserConnection& connection, WindowSystemPort* desktop,
                   std::function<qint64()> browserProcess);
    ~ContextTracker() override;

    // Once the session may subscribe and run scripts: learn what is open.
    void start();
    std::vector<BrowserPage> pages() const;
    std::optional<BrowserPage> frontPage() const;
    // Catches up with a desktop that sends no change notification.
    void refresh();
    // A page just opened; shown until the browser says more.
    void addOpened(const QString& context, const QString& url);

  private:
    struct Context {
        QString id;
        QString url;
        QString title;
        bool visible = false;
        bool focused = false;
        quint64 told = 0; // order of the page's last report
    };

    void onEvent(const QString& method, const QJsonObject& params);
    void onLost();
    void report(const QString& context);
    void told(const QString& context, const QString& words);
    void apply(Context& context, const QJsonArray& state);
    Context* find(const QString& id);
    Context& track(const QString& id);
    void placeFront();

    BrowserConnection& connection_;
    WindowSystemPort* desktop_;
    std::function<qint64()> browserProcess_;
    std::vector<Context> contexts_;
    std::vector<std::pair<QString, QJsonArray>> unannounced_; // last reports, oldest first
    QString frontId_;
    WindowHandle frontWindow_ = 0;
    std::size_t placedFor_ = 0;                     // the desktop as the front was last placed for
    std::pair<WindowHandle, qint64> ownerOf_{0, 0}; // the front window's process
    quint64 reports_ = 0;
};

} // namespace kurumin
