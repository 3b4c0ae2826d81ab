#include "platform/browser_link/browser_session.h"

#include "platform/log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

#include <unistd.h>

namespace kurumin {

QString findBrowserProgram(const QStringList& candidates) {
    for (const QString& name : candidates) {
        if (name.isEmpty()) continue;
        if (QDir::isAbsolutePath(name)) {
            const QFileInfo info(name);
            if (info.isFile() && info.isExecutable()) return name;
            continue;
        }
        const QString found = QStandardPaths::findExecutable(name);
        if (!found.isEmpty()) return found;
    }
    return {};
}

BrowserSession::BrowserSession(BrowserConnection& connection, BrowserProtocol& protocol,
                               BrowserSessionOptions options, ShellPort& fallback)
    : connection_(connection), protocol_(protocol), options_(std::move(options)),
      fallback_(fallback), profile_(options_.dataFolder + u'/' + protocol.profileName()) {
    connect(&connection_, &BrowserConnection::opened, this, &BrowserSession::onOpened);
    connect(&connection_, &BrowserConnection::openFailed, this, &BrowserSession::onOpenFailed);
    connect(&connection_, &BrowserConnection::lost, this, &BrowserSession::onLost);
    startPoll_.setInterval(options_.startPollMs);
    connect(&startPoll_, &QTimer::timeout, this, &BrowserSession::pollStart);
}

BrowserSession::~BrowserSession() = default;

void BrowserSession::openPage(const QString& url, BrowserPort::OpenCallback done) {
    const QString address = normaliseBrowserAddress(url);
    if (address.isEmpty()) {
        QTimer::singleShot(0, this, [done] {
            if (done)
                done(OpenResult::failed(OpenFailure::Refused, QStringLiteral("not a web address")));
        });
        return;
    }
    if (phase_ == Phase::Open) {
        create({address, std::move(done)});
        return;
    }
    queue_.push_back({address, std::move(done)});
    if (phase_ == Phase::Idle) begin();
}

void BrowserSession::attachIfRunning() {
    if (phase_ != Phase::Idle) return;
    if (lastAttach_.isValid() && lastAttach_.elapsed() < 2000) return;
    lastAttach_.start();
    attach();
}

// A browser already listening on our profile is used as it is; otherwise one is started.
void BrowserSession::begin() {
    qCInfo(lcBrowser, "reaching the browser on %s", qUtf8Printable(profile_));
    if (!attach()) start();
}

bool BrowserSession::attach() {
    const auto endpoint = protocol_.endpoint(profile_);
    if (!endpoint) return false;
    phase_ = Phase::Attaching;
    reach(*endpoint);
    return true;
}

void BrowserSession::reach(const QUrl& endpoint) {
    protocol_.reach(endpoint, [self = QPointer(this), attempt = ++reaching_](
                                  const OpenResult& failed, const QUrl& socket) {
        if (!self || self->reaching_ != attempt) return;
        if (failed.ok()) return self->connection_.open(socket);
        // A browser that answers but refuses is alive: starting another would not help.
        if (failed.failure == OpenFailure::BrowserError)
            return self->failQueue(failed.failure, failed.detail);
        self->onOpenFailed(failed.detail, failed.failure == OpenFailure::Timeout);
    });
}

void BrowserSession::start() {
    const QString program = findBrowserProgram(options_.programs);
    if (program.isEmpty()) {
        phase_ = Phase::Idle;
        handToFallback();
        return;
    }
    if (!QDir().mkpath(profile_)) {
        failQueue(OpenFailure::StartFailed, QStringLiteral("cannot create ") + profile_);
        return;
    }
    // The port file is the key to the browser: other users of the machine may not read it.
    QFile::setPermissions(profile_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!protocol_.prepare(profile_)) {
        failQueue(OpenFailure::StartFailed, QStringLiteral("cannot prepare ") + profile_);
        return;
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments(protocol_.arguments(profile_, geteuid() == 0));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    protocol_.adjustEnvironment(environment);
    process.setProcessEnvironment(environment);
    // Its chatter on stderr would end up in ours for as long as it runs.
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    qint64 pid = 0;
    if (!process.startDetached(&pid)) {
        failQueue(OpenFailure::StartFailed, QStringLiteral("could not run ") + program);
        return;
    }
    qCInfo(lcBrowser, "started %s, process %lld", qUtf8Printable(program), pid);
    startedPid_ = pid;
    phase_ = Phase::Starting;
    startClock_.start();
    startPoll_.start();
}

void BrowserSession::pollStart() {
    if (phase_ != Phase::Starting) {
        startPoll_.stop();
        return;
    }
    if (const auto endpoint = protocol_.endpoint(profile_)) {
        startPoll_.stop();
        phase_ = Phase::Connecting;
        reach(*endpoint);
        return;
    }
    if (startClock_.elapsed() >= options_.startTimeoutMs) {
        startPoll_.stop();
        failQueue(OpenFailure::StartFailed, QStringLiteral("the browser did not start listening"));
    }
}

void BrowserSession::onOpened() {
    if (phase_ == Phase::Attaching) startedPid_ = 0;
    phase_ = Phase::Greeting;
    protocol_.greet(connection_,
                    [self = QPointer(this), greeting = ++greeting_](const OpenResult& r) {
                        if (self && self->greeting_ == greeting) self->onGreeted(r);
                    });
}

void BrowserSession::onGreeted(const OpenResult& result) {
    ++greeting_;
    if (!result.ok()) {
        failQueue(result.failure, result.detail);
        // Followers see the connection go; the next open tries afresh.
        connection_.close();
        return;
    }
    phase_ = Phase::Open;
    emit ready();
    std::vector<Request> waiting;
    waiting.swap(queue_);
    for (Request& r : waiting)
        create(std::move(r));
}

void BrowserSession::onOpenFailed(const QString& detail, bool unanswered) {
    // Only a browser that is gone is started again: a second one on a profile
    // whose browser is alive but slow would hand over to it and leave no port file.
    if (phase_ == Phase::Attaching && !queue_.empty() && !unanswered) {
        start();
        return;
    }
    failQueue(unanswered ? OpenFailure::Timeout : OpenFailure::StartFailed, detail);
}

// Requests in flight fail in the message layer; the next open starts over.
void BrowserSession::onLost(const QString& detail) {
    qCInfo(lcBrowser, "connection to the browser lost: %s", qUtf8Printable(logSafe(detail)));
    if (phase_ == Phase::Greeting) {
        ++greeting_;
        failQueue(OpenFailure::ConnectionLost, detail);
    }
    phase_ = Phase::Idle;
}

void BrowserSession::create(Request request) {
    const QString url = request.url;
    // The connection may outlive this session; its answers must not reach a session gone.
    protocol_.open(connection_, url,
                   [self = QPointer(this), url,
                    done = std::move(request.done)](const OpenResult& result, const QString& id) {
                       if (!self) return;
                       if (result.ok() && !id.isEmpty()) emit self->pageOpened(id, url);
                       if (done) done(result);
                   });
}

// The attempt to reach a browser is over; every open waiting on it fails.
void BrowserSession::failQueue(OpenFailure kind, const QString& detail) {
    phase_ = Phase::Idle;
    std::vector<Request> failed;
    failed.swap(queue_);
    for (Request& r : failed) {
        if (!r.done) continue;
        QTimer::singleShot(0, this, [done = std::move(r.done), kind, detail] {
            done(OpenResult::failed(kind, detail));
        });
    }
}

void BrowserSession::handToFallback() {
    std::vector<Request> waiting;
    waiting.swap(queue_);
    for (Request& r : waiting) {
        QTimer::singleShot(0, this, [this, r = std::move(r)] {
            bool opened = true;
            try {
                fallback_.open(r.url, {});
            } catch (const PlatformFailure&) {
                opened = false;
            }
            if (!r.done) return;
            r.done(opened ? OpenResult{}
                          : OpenResult::failed(
                                OpenFailure::NoBrowser,
                                QStringLiteral("no browser found, and the desktop could "
                                               "not open the address")));
        });
    }
}

} // namespace kurumin
