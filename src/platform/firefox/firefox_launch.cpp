#include "platform/firefox/firefox_launch.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
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

std::optional<QUrl> parseBidiServer(const QByteArray& contents) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(contents, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
    const QJsonValue port = doc.object().value(QStringLiteral("ws_port"));
    const double number = port.toDouble();
    if (!port.isDouble() || number != int(number) || number < 1 || number > 65535)
        return std::nullopt;
    // The host in the file is never followed: only loopback is the browser we started.
    QUrl url;
    url.setScheme(QStringLiteral("ws"));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(int(number));
    url.setPath(QStringLiteral("/session"));
    return url;
}

QByteArray firefoxUserPrefs() {
    // Without the first, the remote agent turns on test preferences: a faked
    // focus, no popup blocker, no safe browsing.
    return "user_pref(\"remote.prefs.recommended\", false);\n"
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
           "user_pref(\"network.connectivity-service.enabled\", false);\n";
}

FirefoxProtocol::FirefoxProtocol(BrowserConnection& connection) : connection_(connection) {
    connect(&connection_, &BrowserConnection::event, this,
            [this](const QString& method, const QJsonObject& params, const QString&) {
                onEvent(method, params);
            });
    // Replies still pending fail on their own; the waits for their events go with them.
    connect(&connection_, &BrowserConnection::lost, this, [this] { waiting_.clear(); });
}

FirefoxProtocol::~FirefoxProtocol() = default;

std::optional<QUrl> FirefoxProtocol::endpoint(const QString& profile) const {
    QFile file(bidiServerFile(profile));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return parseBidiServer(file.read(4096));
}

bool FirefoxProtocol::prepare(const QString& profile) {
    // Left behind by a browser that crashed, it would look like an answer.
    const QString server = bidiServerFile(profile);
    if (QFile::exists(server) && !QFile::remove(server)) return false;
    QSaveFile prefs(profile + QStringLiteral("/user.js"));
    if (!prefs.open(QIODevice::WriteOnly) || prefs.write(firefoxUserPrefs()) < 0 || !prefs.commit())
        return false;
    fresh_ = true;
    return true;
}

QStringList FirefoxProtocol::arguments(const QString& profile, bool runningAsRoot) const {
    (void)runningAsRoot; // its sandbox runs as root as it is
    return {QStringLiteral("--remote-debugging-port=0"), QStringLiteral("--profile"), profile,
            QStringLiteral("--no-remote"), QStringLiteral("about:blank")};
}

void FirefoxProtocol::greet(BrowserConnection& connection, Done done) {
    // Dialogs of the pages are the user's: left open, never answered for them.
    const QJsonObject capabilities{
        {QStringLiteral("alwaysMatch"),
         QJsonObject{{QStringLiteral("unhandledPromptBehavior"),
                      QJsonObject{{QStringLiteral("default"), QStringLiteral("ignore")}}}}}};
    connection.send(QStringLiteral("session.new"), {{QStringLiteral("capabilities"), capabilities}},
                    [&connection, done = std::move(done)](const BrowserReply& reply) {
                        if (!reply.ok()) return done(resultOf(reply));
                        // Whole modules, so an event a version lacks cannot fail the subscription.
                        const QJsonArray events{QStringLiteral("browsingContext"),
                                                QStringLiteral("script.message")};
                        connection.send(QStringLiteral("session.subscribe"),
                                        {{QStringLiteral("events"), events}},
                                        [done](const BrowserReply& r) { done(resultOf(r)); });
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

void FirefoxProtocol::farewell() {
    if (!connection_.isOpen()) return;
    connection_.send(QStringLiteral("session.end"), {}, nullptr);
    connection_.flush();
}

} // namespace kurumin
