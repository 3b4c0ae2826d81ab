#pragma once
// The operations of the Chromium port on top of the message layer: finding or
// starting the browser, opening pages, following the list of pages.

#include "platform/browser.h"
#include "platform/chromium/browser_launch.h"
#include "platform/chromium/cdp_connection.h"
#include "platform/desktop.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <vector>

namespace kurumin {

struct ChromiumOptions {
    QString programFolder;
    QStringList programs = defaultBrowserPrograms();
    int requestTimeoutMs = 5000;
    int startTimeoutMs = 10000;
    int startPollMs = 50;
    int focusRefreshMs = 300;
    // Which window is in front; without it every page is asked at every refresh.
    WindowSystemPort* desktop = nullptr;
};

class ChromiumBrowser : public QObject, public BrowserPort {
    Q_OBJECT
  public:
    ChromiumBrowser(ChromiumOptions options, ShellPort& fallback);
    // Outstanding callbacks are dropped; the browser keeps running.
    ~ChromiumBrowser() override;

    void openPage(const QString& url, OpenCallback done) override;
    std::vector<BrowserPage> pages() override;

    QString profileFolder() const { return profile_; }
    // The process this port started last; 0 when it attached to one already running.
    qint64 startedProcess() const { return startedPid_; }
    bool isConnected() const { return phase_ == Phase::Open; }

  private:
    enum class Phase { Idle, Attaching, Starting, Connecting, Open };
    struct Request {
        QString url;
        OpenCallback done;
    };
    struct Target {
        QString id;
        QString url;
        QString title;
        QString sessionId;
        bool inFront = false;
        bool asking = false;
    };

    void begin();
    bool attach(); // false when no browser names itself in the profile
    void start();
    void pollStart();
    void onOpened();
    void onOpenFailed(const QString& detail, bool unanswered);
    void onLost();
    void onEvent(const QString& method, const QJsonObject& params, const QString& sessionId);
    void create(Request request);
    void failQueue(OpenFailure failure, const QString& detail);
    void handToFallback();
    void refreshFocus();
    void relist(std::function<void()> then);
    std::size_t desktopKey(WindowHandle front, const QString& frontTitle) const;
    void askFocus(const QString& targetId);
    void reconcile(const QJsonObject& listing);
    Target* find(const QString& targetId);
    void updateTarget(const QJsonObject& info);
    void forget(const QString& targetId);

    ChromiumOptions options_;
    ShellPort& fallback_;
    QString profile_;
    CdpConnection connection_;
    Phase phase_ = Phase::Idle;
    std::vector<Request> queue_;
    std::vector<Target> targets_;
    QTimer startPoll_;
    QElapsedTimer startClock_;
    QElapsedTimer lastRefresh_;
    QElapsedTimer lastAttach_;
    std::size_t askedFor_ = 0; // the desktop and pages the focus answers are for
    qint64 startedPid_ = 0;
    bool listing_ = false;
};

} // namespace kurumin
