#pragma once
// Reaching the browser and opening pages in it: attach to the browser already
// listening on our profile or start one, queue what is opened meanwhile, and
// start over when the connection is lost.

#include "platform/browser.h"
#include "platform/chromium/browser_launch.h"
#include "platform/chromium/cdp_connection.h"
#include "platform/desktop.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <vector>

namespace kurumin {

struct BrowserSessionOptions {
    QString dataFolder; // the profile lives in it
    QStringList programs = defaultBrowserPrograms();
    int startTimeoutMs = 10000;
    int startPollMs = 50;
};

class BrowserSession : public QObject {
    Q_OBJECT
  public:
    // The session drives the connection's opening; others may send on it once open.
    BrowserSession(CdpConnection& connection, BrowserSessionOptions options, ShellPort& fallback);
    // Outstanding callbacks are dropped; the browser keeps running.
    ~BrowserSession() override;

    // As BrowserPort::openPage: never blocks, never calls back from inside.
    void openPage(const QString& url, BrowserPort::OpenCallback done);
    // Connects to a browser already listening on the profile, at most every
    // 2 s, so its pages can be followed; never starts one.
    void attachIfRunning();

    bool isConnected() const { return phase_ == Phase::Open; }
    QString profileFolder() const { return profile_; }
    // The process this session started last; 0 when it attached to one already running.
    qint64 startedProcess() const { return startedPid_; }

  signals:
    // A page was opened, before its caller hears of it.
    void pageOpened(const QString& targetId, const QString& url);

  private:
    enum class Phase { Idle, Attaching, Starting, Connecting, Open };
    struct Request {
        QString url;
        BrowserPort::OpenCallback done;
    };

    void begin();
    bool attach(); // false when no browser names itself in the profile
    void start();
    void pollStart();
    void onOpened();
    void onOpenFailed(const QString& detail, bool unanswered);
    void onLost();
    void create(Request request);
    void failQueue(OpenFailure failure, const QString& detail);
    void handToFallback();

    CdpConnection& connection_;
    BrowserSessionOptions options_;
    ShellPort& fallback_;
    QString profile_;
    Phase phase_ = Phase::Idle;
    std::vector<Request> queue_;
    QTimer startPoll_;
    QElapsedTimer startClock_;
    QElapsedTimer lastAttach_;
    qint64 startedPid_ = 0;
};

} // namespace kurumin
