#pragma once
// Reaching the browser and opening pages in it: attach to the browser already
// listening on our profile or start one, greet it, queue what is opened
// meanwhile, and start over when the connection is lost. What differs between
// the protocols is behind BrowserProtocol.

#include "platform/browser.h"
#include "platform/browser_link/browser_connection.h"
#include "platform/browser_link/followed_pages.h"
#include "platform/desktop.h"

#include <QElapsedTimer>
#include <QObject>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kurumin {

// The first of the candidates found on PATH (or given as an absolute path); empty when none.
QString findBrowserProgram(const QStringList& candidates);

// One protocol's way of following the pages it shows.
class PageFeed : public QObject {
  public:
    // Greeted: learn what is open and follow it from now on.
    virtual void start() = 0;
    // At a listing: catch up with what may have been missed.
    virtual void refresh() {}
};

// One protocol's steps. Callbacks may run from inside the call.
class BrowserProtocol {
  public:
    virtual ~BrowserProtocol() = default;
    using Done = std::function<void(const OpenResult&)>;
    using Opened = std::function<void(const OpenResult&, const QString& pageId)>;

    // The profile's folder name inside the data folder.
    virtual QString profileName() const = 0;
    // Where a browser running on the profile says it listens.
    virtual std::optional<QUrl> endpoint(const QString& profile) const = 0;
    // Readies an existing profile folder for a start; false when it cannot.
    virtual bool prepare(const QString& profile) = 0;
    virtual QStringList arguments(const QString& profile, bool runningAsRoot) const = 0;
    virtual void adjustEnvironment(QProcessEnvironment& environment) const { (void)environment; }
    using Reached = std::function<void(const OpenResult& failed, const QUrl& socket)>;
    // The WebSocket to open for the endpoint a browser names; a protocol may
    // first have to set up a session there.
    virtual void reach(const QUrl& endpoint, Reached done) { done({}, endpoint); }
    // What must pass on a fresh connection before pages are opened.
    virtual void greet(BrowserConnection& connection, Done done) {
        (void)connection;
        done({});
    }
    // A new window showing url; the page's id when it succeeded.
    virtual void open(BrowserConnection& connection, const QString& url, Opened done) = 0;

    // How the browser names its windows after their front tab.
    virtual WindowNaming naming() const = 0;
    // The process owning the browser's windows, once greeted; 0 when unknown.
    virtual qint64 browserProcess(const QString& profile, qint64 started) const {
        (void)profile;
        (void)started;
        return 0;
    }
    virtual std::unique_ptr<PageFeed> feed(BrowserConnection& connection, FollowedPages& pages) = 0;
    // The panel goes: whatever the browser holds for it is given back.
    virtual void farewell() {}
};

struct BrowserSessionOptions {
    QString dataFolder; // the profile lives in it
    QStringList programs;
    int startTimeoutMs = 10000;
    int startPollMs = 50;
};

class BrowserSession : public QObject {
    Q_OBJECT
  public:
    // The session drives the connection's opening; others may send on it once open.
    BrowserSession(BrowserConnection& connection, BrowserProtocol& protocol,
                   BrowserSessionOptions options, ShellPort& fallback);
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
    // Greeted: pages can be opened and followed from now on.
    void ready();
    // A page was opened, before its caller hears of it.
    void pageOpened(const QString& pageId, const QString& url);

  private:
    enum class Phase { Idle, Attaching, Starting, Connecting, Greeting, Open };
    struct Request {
        QString url;
        BrowserPort::OpenCallback done;
    };

    void begin();
    bool attach(); // false when no browser names itself in the profile
    void start();
    void pollStart();
    void reach(const QUrl& endpoint);
    void onOpened();
    void onGreeted(const OpenResult& result);
    void onOpenFailed(const QString& detail, bool unanswered);
    void onLost(const QString& detail);
    void create(Request request);
    void failQueue(OpenFailure failure, const QString& detail);
    void handToFallback();

    BrowserConnection& connection_;
    BrowserProtocol& protocol_;
    BrowserSessionOptions options_;
    ShellPort& fallback_;
    QString profile_;
    Phase phase_ = Phase::Idle;
    quint64 reaching_ = 0; // which attempt to reach the browser an answer belongs to
    quint64 greeting_ = 0;
    std::vector<Request> queue_;
    QTimer startPoll_;
    QElapsedTimer startClock_;
    QElapsedTimer lastAttach_;
    qint64 startedPid_ = 0;
};

} // namespace kurumin
