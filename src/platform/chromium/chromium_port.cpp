#include "platform/chromium/chromium_port.h"

#include "platform/chromium/chromium_browser.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonValue>
#include <QProcess>

#include <unistd.h>

namespace kurumin {

namespace {

OpenResult failure(OpenFailure kind, const QString& detail) {
    OpenResult result;
    result.failure = kind;
    result.detail = detail;
    return result;
}

} // namespace

ChromiumBrowser::ChromiumBrowser(ChromiumOptions options, ShellPort& fallback)
    : options_(std::move(options)), fallback_(fallback),
      profile_(options_.programFolder + QStringLiteral("/browser-profile")) {
    connection_.setRequestTimeout(options_.requestTimeoutMs);
    connect(&connection_, &CdpConnection::opened, this, &ChromiumBrowser::onOpened);
    connect(&connection_, &CdpConnection::openFailed, this, &ChromiumBrowser::onOpenFailed);
    connect(&connection_, &CdpConnection::lost, this, &ChromiumBrowser::onLost);
    connect(&connection_, &CdpConnection::event, this, &ChromiumBrowser::onEvent);
    startPoll_.setInterval(options_.startPollMs);
    connect(&startPoll_, &QTimer::timeout, this, &ChromiumBrowser::pollStart);
}

ChromiumBrowser::~ChromiumBrowser() = default;

void ChromiumBrowser::openPage(const QString& url, OpenCallback done) {
    const QString address = normaliseBrowserAddress(url);
    if (address.isEmpty()) {
        QTimer::singleShot(0, this, [done] {
            if (done) done(failure(OpenFailure::Refused, QStringLiteral("not a web address")));
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

std::vector<BrowserPage> ChromiumBrowser::pages() {
    // Pages of a browser left running by an earlier run are followed too;
    // a listing never starts a browser, it only attaches to one.
    if (phase_ == Phase::Idle && (!lastAttach_.isValid() || lastAttach_.elapsed() >= 2000)) {
        lastAttach_.start();
        attach();
    }
    if (phase_ == Phase::Open &&
        (!lastRefresh_.isValid() || lastRefresh_.elapsed() >= options_.focusRefreshMs)) {
        lastRefresh_.start();
        refreshFocus();
    }
    std::vector<BrowserPage> list;
    list.reserve(targets_.size());
    for (const Target& t : targets_)
        list.push_back({0, t.url, t.title, t.inFront});
    return list;
}

// A browser already listening on our profile is used as it is; otherwise one is started.
void ChromiumBrowser::begin() {
    if (!attach()) start();
}

bool ChromiumBrowser::attach() {
    const auto endpoint = readDevToolsPort(profile_);
    if (!endpoint) return false;
    phase_ = Phase::Attaching;
    connection_.open(*endpoint);
    return true;
}

void ChromiumBrowser::start() {
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
    // A file left by a browser that died would look like an answer.
    QFile::remove(devToolsPortFile(profile_));
    QProcess process;
    process.setProgram(program);
    process.setArguments(browserArguments(profile_, geteuid() == 0));
    // Its chatter on stderr would end up in ours for as long as it runs.
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    qint64 pid = 0;
    if (!process.startDetached(&pid)) {
        failQueue(OpenFailure::StartFailed, QStringLiteral("could not run ") + program);
        return;
    }
    startedPid_ = pid;
    phase_ = Phase::Starting;
    startClock_.start();
    startPoll_.start();
}

void ChromiumBrowser::pollStart() {
    if (phase_ != Phase::Starting) {
        startPoll_.stop();
        return;
    }
    if (const auto endpoint = readDevToolsPort(profile_)) {
        startPoll_.stop();
        phase_ = Phase::Connecting;
        connection_.open(*endpoint);
        return;
    }
    if (startClock_.elapsed() >= options_.startTimeoutMs) {
        startPoll_.stop();
        failQueue(OpenFailure::StartFailed, QStringLiteral("the browser did not start listening"));
    }
}

void ChromiumBrowser::onOpened() {
    if (phase_ == Phase::Attaching) startedPid_ = 0;
    phase_ = Phase::Open;
    targets_.clear();
    lastRefresh_.invalidate();
    connection_.send(QStringLiteral("Target.setDiscoverTargets"),
                     {{QStringLiteral("discover"), true}}, nullptr);
    std::vector<Request> waiting;
    waiting.swap(queue_);
    for (Request& r : waiting)
        create(std::move(r));
}

void ChromiumBrowser::onOpenFailed(const QString& detail, bool unanswered) {
    // Only a browser that is gone is started again: a second one on a profile
    // whose browser is alive but slow would hand over to it and leave no port file.
    if (phase_ == Phase::Attaching && !queue_.empty() && !unanswered) {
        start();
        return;
    }
    failQueue(unanswered ? OpenFailure::Timeout : OpenFailure::StartFailed, detail);
}

// Requests in flight fail in the message layer; the next open starts over.
void ChromiumBrowser::onLost() {
    phase_ = Phase::Idle;
    targets_.clear();
    askedFor_ = 0; // the pages of the next connection are asked afresh
}

void ChromiumBrowser::create(Request request) {
    const QString url = request.url;
    connection_.send(QStringLiteral("Target.createTarget"),
                     {{QStringLiteral("url"), url}, {QStringLiteral("newWindow"), true}},
                     [this, url, done = std::move(request.done)](const CdpReply& reply) {
                         if (reply.ok()) {
                             // Usually announced already; if not, show it until the browser does.
                             const QString id =
                                 reply.result.value(QStringLiteral("targetId")).toString();
                             if (!id.isEmpty() && !find(id) && connection_.isOpen())
                                 targets_.push_back({id, url, {}, {}, false, false});
                         }
                         if (!done) return;
                         done(reply.ok() ? OpenResult{} : failure(reply.failure, reply.detail));
                     });
}

// The attempt to reach a browser is over; every open waiting on it fails.
void ChromiumBrowser::failQueue(OpenFailure kind, const QString& detail) {
    phase_ = Phase::Idle;
    std::vector<Request> failed;
    failed.swap(queue_);
    for (Request& r : failed) {
        if (!r.done) continue;
        QTimer::singleShot(
            0, this, [done = std::move(r.done), kind, detail] { done(failure(kind, detail)); });
    }
}

void ChromiumBrowser::handToFallback() {
    std::vector<Request> waiting;
    waiting.swap(queue_);
    for (Request& r : waiting) {
        QTimer::singleShot(0, this, [this, r = std::move(r)] {
            const bool opened = fallback_.open(r.url, {});
            if (!r.done) return;
            r.done(opened ? OpenResult{}
                          : failure(OpenFailure::NoBrowser,
                                    QStringLiteral("no browser found, and the desktop could "
                                                   "not open the address")));
        });
    }
}

void ChromiumBrowser::onEvent(const QString& method, const QJsonObject& params,
                              const QString& sessionId) {
    if (!sessionId.isEmpty()) return; // page sessions only answer focus questions
    if (method == u"Target.targetCreated" || method == u"Target.targetInfoChanged") {
        updateTarget(params.value(QStringLiteral("targetInfo")).toObject());
    } else if (method == u"Target.targetDestroyed") {
        forget(params.value(QStringLiteral("targetId")).toString());
    } else if (method == u"Target.detachedFromTarget") {
        const QString session = params.value(QStringLiteral("sessionId")).toString();
        for (Target& t : targets_)
            if (t.sessionId == session) t.sessionId.clear();
    }
}

void ChromiumBrowser::forget(const QString& targetId) {
    std::erase_if(targets_, [&](const Target& t) { return t.id == targetId; });
}

void ChromiumBrowser::updateTarget(const QJsonObject& info) {
    const QString id = info.value(QStringLiteral("targetId")).toString();
    if (id.isEmpty()) return;
    if (info.value(QStringLiteral("type")).toString() != u"page") return forget(id);
    Target* target = find(id);
    if (!target) {
        targets_.push_back({id, {}, {}, {}, false, false});
        target = &targets_.back();
    }
    target->url = info.value(QStringLiteral("url")).toString();
    target->title = info.value(QStringLiteral("title")).toString();
}

// Titles set by the page are not always announced as events, so the list is
// also brought up to date from the browser's own listing before pages are asked.
void ChromiumBrowser::refreshFocus() {
    if (!options_.desktop) {
        relist([this] {
            for (const Target& t : targets_)
                if (!t.asking) askFocus(t.id);
        });
        return;
    }
    // Listing and asking a hundred pages costs far more than asking the
    // desktop which window is in front: both wait until that window, its
    // title or the set of pages has changed since the pages were last asked.
    const WindowHandle front = options_.desktop->foregroundWindow();
    const QString frontTitle =
        front ? QString::fromUtf8(options_.desktop->windowTitle(front, 1024)) : QString();
    if (desktopKey(front, frontTitle) == askedFor_) return;
    relist([this, front, frontTitle] {
        askedFor_ = desktopKey(front, frontTitle);
        // The browser's window title starts with its front tab's title; only
        // such pages can be in front. The title may come back cut.
        const auto couldBeInFront = [&](const Target& t) {
            return !frontTitle.isEmpty() && !t.title.isEmpty() &&
                   (frontTitle.startsWith(t.title) || t.title.startsWith(frontTitle));
        };
        for (Target& t : targets_) {
            if (!couldBeInFront(t)) {
                t.inFront = false;
            } else if (t.asking) {
                askedFor_ = 0; // its answer may be about the desktop as it was: ask again
            } else {
                askFocus(t.id);
            }
        }
    });
}

std::size_t ChromiumBrowser::desktopKey(WindowHandle front, const QString& frontTitle) const {
    std::size_t key = qHashMulti(0, front, frontTitle);
    for (const Target& t : targets_)
        key = qHashMulti(key, t.id, t.title);
    return key;
}

void ChromiumBrowser::relist(std::function<void()> then) {
    if (listing_) return; // the answer on its way will do
    listing_ = true;
    connection_.send(QStringLiteral("Target.getTargets"), {},
                     [this, then = std::move(then)](const CdpReply& reply) {
                         listing_ = false;
                         if (!reply.ok() || !connection_.isOpen()) return;
                         reconcile(reply.result);
                         then();
                     });
}

void ChromiumBrowser::reconcile(const QJsonObject& listing) {
    std::vector<Target> now;
    for (const QJsonValue& v : listing.value(QStringLiteral("targetInfos")).toArray()) {
        const QJsonObject info = v.toObject();
        if (info.value(QStringLiteral("type")).toString() != u"page") continue;
        const QString id = info.value(QStringLiteral("targetId")).toString();
        Target t;
        if (const Target* known = find(id)) t = *known;
        t.id = id;
        t.url = info.value(QStringLiteral("url")).toString();
        t.title = info.value(QStringLiteral("title")).toString();
        now.push_back(std::move(t));
    }
    targets_ = std::move(now);
}

// One question at a time per page, so a page that hangs costs one pending command, not a pile.
void ChromiumBrowser::askFocus(const QString& targetId) {
    Target* target = find(targetId);
    if (!target) return;
    target->asking = true;
    if (target->sessionId.isEmpty()) {
        connection_.send(
            QStringLiteral("Target.attachToTarget"),
            {{QStringLiteral("targetId"), targetId}, {QStringLiteral("flatten"), true}},
            [this, targetId](const CdpReply& reply) {
                Target* t = find(targetId);
                if (!t) return;
                const QString session = reply.result.value(QStringLiteral("sessionId")).toString();
                if (!reply.ok() || session.isEmpty()) {
                    t->asking = false;
                    return;
                }
                t->sessionId = session;
                askFocus(targetId);
            });
        return;
    }
    connection_.send(
        QStringLiteral("Runtime.evaluate"),
        {{QStringLiteral("expression"), QStringLiteral("document.hasFocus()")},
         {QStringLiteral("returnByValue"), true}},
        [this, targetId](const CdpReply& reply) {
            Target* t = find(targetId);
            if (!t) return;
            t->asking = false;
            const QJsonValue value = reply.result.value(QStringLiteral("result"))
                                         .toObject()
                                         .value(QStringLiteral("value"));
            if (reply.ok() && value.isBool()) {
                t->inFront = value.toBool();
            } else if (reply.failure == OpenFailure::BrowserError) {
                t->sessionId.clear(); // most likely the session went; attach again next time
            }
        },
        target->sessionId);
}

ChromiumBrowser::Target* ChromiumBrowser::find(const QString& targetId) {
    for (Target& t : targets_)
        if (t.id == targetId) return &t;
    return nullptr;
}

std::unique_ptr<BrowserPort> createChromiumBrowser(const QString& programFolder,
                                                   ShellPort& fallback, WindowSystemPort& desktop) {
    ChromiumOptions options;
    options.programFolder = programFolder;
    options.desktop = &desktop;
    return std::make_unique<ChromiumBrowser>(std::move(options), fallback);
}

} // namespace kurumin
