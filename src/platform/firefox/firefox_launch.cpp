#include "platform/firefox/firefox_launch.h"

#include "platform/firefox/context_tracker.h"
#include "platform/firefox/firefox_browser.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QRegularExpression>
#include <QSaveFile>

#include <utility>

namespace kurumin {

namespace {

OpenResult resultOf(const BrowserReply& reply) {
    OpenResult result;
    result.failure = reply.failure;
    result.detail = reply.detail;
    return result;
}

} // namespace

// One navigation: whichever of its reply or its start event comes first ends it.
struct FirefoxProtocol::Opening {
    QString context;
    QString url;
    Opened done;
    void finish(const OpenResult& result) {
        if (!done) return;
        Opened once = std::move(done);
        done = nullptr;
        once(result, context);
    }
};

QStringList firefoxPrograms() {
    return {QStringLiteral("firefox-esr"), QStringLiteral("firefox")};
}

QString bidiServerFile(const QString& profileFolder) {
    return profileFolder + QStringLiteral("/WebDriverBiDiServer.json");
}

QString marionettePortFile(const QString& profileFolder) {
    return profileFolder + QStringLiteral("/MarionetteActivePort");
}

std::optional<QUrl> parseMarionettePort(const QByteArray& contents) {
    const QByteArray text = contents.trimmed();
    bool numeric = false;
    const int port = text.toInt(&numeric);
    if (!numeric || port <= 0 || port > 65535 || text.startsWith('+')) return std::nullopt;
    QUrl url;
    url.setScheme(QStringLiteral("tcp"));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(port);
    return url;
}

std::optional<QUrl> parseSessionSocket(const QString& text) {
    const QUrl given(text, QUrl::StrictMode);
    static const QRegularExpression path(QStringLiteral("^/session/[A-Za-z0-9-]+$"));
    if (!given.isValid() || given.scheme() != u"ws" || !given.userInfo().isEmpty() ||
        given.hasQuery() || given.hasFragment() || given.port() <= 0 ||
        !path.match(given.path()).hasMatch())
        return std::nullopt;
    if (given.host() != u"127.0.0.1" && given.host() != u"localhost") return std::nullopt;
    QUrl url;
    url.setScheme(QStringLiteral("ws"));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(given.port());
    url.setPath(given.path());
    return url;
}

QByteArray firefoxUserPrefs() {
    // Without the first, the remote agent turns on test preferences: a faked
    // focus, no popup blocker, no safe browsing.
    return "user_pref(\"remote.prefs.recommended\", false);\n"
           "user_pref(\"marionette.port\", 0);\n"
           "user_pref(\"browser.shell.checkDefaultBrowser\", false);\n"
           "user_pref(\"browser.startup.homepage_override.mstone\", \"ignore\");\n"
           "user_pref(\"startup.homepage_welcome_url\", \"\");\n"
           "user_pref(\"startup.homepage_welcome_url.additional\", \"\");\n"
           "user_pref(\"browser.aboutwelcome.enabled\", false);\n"
           "user_pref(\"datareporting.policy.dataSubmissionEnabled\", false);\n"
           "user_pref(\"datareporting.policy.dataSubmissionPolicyBypassNotification\", true);\n"
           "user_pref(\"datareporting.healthreport.uploadEnabled\", false);\n"
           "user_pref(\"toolkit.telemetry.reportingpolicy.firstRun\", false);\n"
           "user_pref(\"termsofuse.bypassNotification\", true);\n"
           "user_pref(\"browser.sessionstore.resume_from_crash\", false);\n"
           "user_pref(\"browser.tabs.warnOnClose\", false);\n"
           "user_pref(\"browser.warnOnQuit\", false);\n"
           "user_pref(\"app.normandy.enabled\", false);\n"
           "user_pref(\"extensions.update.enabled\", false);\n"
           "user_pref(\"network.captive-portal-service.enabled\", false);\n"
           "user_pref(\"network.connectivity-service.enabled\", false);\n"
           // A new tab page loaded ahead in the background would be announced as a tab.
           "user_pref(\"browser.newtab.preload\", false);\n";
}

FirefoxProtocol::FirefoxProtocol(BrowserConnection& connection, int sessionTimeoutMs)
    : connection_(connection), sessionTimeoutMs_(sessionTimeoutMs) {
    connect(&connection_, &BrowserConnection::notified, this,
            [this](const QString& method, const QJsonObject& params, const QString&) {
                onEvent(method, params);
            });
    // Replies still pending fail on their own; the waits for their events go with them.
    // The session lives as long as both connections: either gone, both go.
    connect(&connection_, &BrowserConnection::lost, this, [this] {
        waiting_.clear();
        marionette_.close();
    });
    connect(&connection_, &BrowserConnection::openFailed, &marionette_, &MarionetteLink::close);
    connect(&marionette_, &MarionetteLink::gone, this, [this] { connection_.close(); });
}

FirefoxProtocol::~FirefoxProtocol() = default;

std::optional<QUrl> FirefoxProtocol::endpoint(const QString& profile) const {
    QFile file(marionettePortFile(profile));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return parseMarionettePort(file.read(64));
}

bool FirefoxProtocol::prepare(const QString& profile) {
    // Left behind by a browser that crashed, they would look like an answer.
    for (const QString& stale : {marionettePortFile(profile), bidiServerFile(profile)})
        if (QFile::exists(stale) && !QFile::remove(stale)) return false;
    QSaveFile prefs(profile + QStringLiteral("/user.js"));
    if (!prefs.open(QIODevice::WriteOnly) || prefs.write(firefoxUserPrefs()) < 0 || !prefs.commit())
        return false;
    fresh_ = true;
    return true;
}

QStringList FirefoxProtocol::arguments(const QString& profile, bool runningAsRoot) const {
    (void)runningAsRoot; // its sandbox runs as root as it is
    return {QStringLiteral("--remote-debugging-port=0"),
            QStringLiteral("--marionette"),
            QStringLiteral("--profile"),
            profile,
            QStringLiteral("--no-remote"),
            QStringLiteral("about:blank")};
}

void FirefoxProtocol::reach(const QUrl& endpoint, Reached done) {
    // Dialogs of the pages are the user's: left open, never answered for them.
    const QJsonObject capabilities{
        {QStringLiteral("webSocketUrl"), true},
        {QStringLiteral("unhandledPromptBehavior"), QStringLiteral("ignore")}};
    marionette_.newSession(
        quint16(endpoint.port()), capabilities, sessionTimeoutMs_,
        [self = QPointer(this), done = std::move(done)](const OpenResult& failed,
                                                        const QJsonObject& result) {
            if (!self) return;
            if (!failed.ok()) return done(failed, {});
            const auto socket = parseSessionSocket(result.value(QStringLiteral("capabilities"))
                                                       .toObject()
                                                       .value(QStringLiteral("webSocketUrl"))
                                                       .toString());
            if (socket) return done({}, *socket);
            self->marionette_.close();
            OpenResult odd;
            odd.failure = OpenFailure::BrowserError;
            odd.detail = QStringLiteral("the browser offered no WebDriver BiDi socket");
            done(odd, {});
        });
}

void FirefoxProtocol::greet(BrowserConnection& connection, Done done) {
    // Only what is followed: each event costs the UI thread. A version that
    // lacks one refuses the list; the whole modules do then.
    const QJsonArray events{QStringLiteral("browsingContext.contextCreated"),
                            QStringLiteral("browsingContext.contextDestroyed"),
                            QStringLiteral("browsingContext.navigationStarted"),
                            QStringLiteral("browsingContext.navigationCommitted"),
                            QStringLiteral("browsingContext.fragmentNavigated"),
                            QStringLiteral("browsingContext.historyUpdated"),
                            QStringLiteral("script.message")};
    const QJsonArray modules{QStringLiteral("browsingContext"), QStringLiteral("script.message")};
    connection.send(QStringLiteral("session.subscribe"), {{QStringLiteral("events"), events}},
                    [&connection, modules, done = std::move(done)](const BrowserReply& r) {
                        if (r.failure != OpenFailure::BrowserError) return done(resultOf(r));
                        connection.send(
                            QStringLiteral("session.subscribe"),
                            {{QStringLiteral("events"), modules}},
                            [done](const BrowserReply& again) { done(resultOf(again)); });
                    });
}

void FirefoxProtocol::open(BrowserConnection& connection, const QString& url, Opened done) {
    auto create = [self = QPointer(this), &connection, url](Opened finish) {
        connection.send(QStringLiteral("browsingContext.create"),
                        {{QStringLiteral("type"), QStringLiteral("window")}},
                        [self, url, finish = std::move(finish)](const BrowserReply& reply) mutable {
                            if (!self) return;
                            const QString context =
                                reply.result.value(QStringLiteral("context")).toString();
                            if (reply.ok() && context.isEmpty()) {
                                BrowserReply odd = reply;
                                odd.failure = OpenFailure::BrowserError;
                                odd.detail = QStringLiteral("no window was created");
                                return finish(resultOf(odd), {});
                            }
                            if (!reply.ok()) return finish(resultOf(reply), {});
                            self->navigate(context, url, std::move(finish));
                        });
    };
    if (!std::exchange(fresh_, false)) return create(std::move(done));
    // The browser we started shows one blank window: the first page goes there.
    connection.send(QStringLiteral("browsingContext.getTree"), {{QStringLiteral("maxDepth"), 0}},
                    [self = QPointer(this), url, create,
                     done = std::move(done)](const BrowserReply& reply) mutable {
                        if (!self) return;
                        const QJsonArray contexts =
                            reply.result.value(QStringLiteral("contexts")).toArray();
                        const QJsonObject only =
                            contexts.size() == 1 ? contexts[0].toObject() : QJsonObject();
                        const QString context = only.value(QStringLiteral("context")).toString();
                        if (!context.isEmpty() &&
                            only.value(QStringLiteral("url")).toString() == u"about:blank")
                            self->navigate(context, url, std::move(done));
                        else
                            create(std::move(done));
                    });
}

// Success once the navigation has started: its reply waits for the first
// bytes of the page, which a slow server may never send.
void FirefoxProtocol::navigate(const QString& context, const QString& url, Opened done) {
    auto opening = std::make_shared<Opening>(Opening{context, url, std::move(done)});
    waiting_.emplace(context, opening);
    connection_.send(QStringLiteral("browsingContext.navigate"),
                     {{QStringLiteral("context"), context},
                      {QStringLiteral("url"), url},
                      {QStringLiteral("wait"), QStringLiteral("none")}},
                     [self = QPointer(this), opening](const BrowserReply& reply) {
                         opening->finish(resultOf(reply));
                         if (self)
                             std::erase_if(self->waiting_,
                                           [&](const auto& w) { return w.second == opening; });
                     });
}

void FirefoxProtocol::onEvent(const QString& method, const QJsonObject& params) {
    if (method != u"browsingContext.navigationStarted") return;
    const QString context = params.value(QStringLiteral("context")).toString();
    const QString url = params.value(QStringLiteral("url")).toString();
    // The blank document a new window starts with is not the page asked for.
    auto [first, last] = waiting_.equal_range(context);
    for (auto it = first; it != last;) {
        if (url == u"about:blank" && it->second->url != url) {
            ++it;
            continue;
        }
        it->second->finish({});
        it = waiting_.erase(it);
    }
}

qint64 FirefoxProtocol::browserProcess(const QString& profile, qint64 started) const {
    const qint64 locked = firefoxLockProcess(profile);
    return locked ? locked : started;
}

std::unique_ptr<PageFeed> FirefoxProtocol::feed(BrowserConnection& connection,
                                                FollowedPages& pages) {
    return std::make_unique<ContextTracker>(connection, pages);
}

void FirefoxProtocol::farewell() {
    marionette_.close();
}

} // namespace kurumin
