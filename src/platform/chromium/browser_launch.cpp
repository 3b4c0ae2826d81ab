#include "platform/chromium/browser_launch.h"

#include "platform/chromium/page_tracker.h"

#include <QFile>
#include <QRegularExpression>

namespace kurumin {

QStringList defaultBrowserPrograms() {
    return {QStringLiteral("chromium"),
            QStringLiteral("google-chrome"),
            QStringLiteral("google-chrome-stable"),
            QStringLiteral("microsoft-edge"),
            QStringLiteral("brave-browser"),
            QStringLiteral("vivaldi"),
            QStringLiteral("opera")};
}

QString devToolsPortFile(const QString& profileFolder) {
    return profileFolder + QStringLiteral("/DevToolsActivePort");
}

std::optional<QUrl> parseDevToolsPort(const QByteArray& contents) {
    const QList<QByteArray> lines = contents.split('\n');
    if (lines.size() < 2) return std::nullopt;
    bool numeric = false;
    const int port = lines[0].trimmed().toInt(&numeric);
    if (!numeric || port <= 0 || port > 65535) return std::nullopt;
    // Only the path shape the browser writes; anything else could steer the URL elsewhere.
    static const QRegularExpression path(QStringLiteral("^/devtools/browser/[A-Za-z0-9-]+$"));
    const QString browserPath = QString::fromLatin1(lines[1].trimmed());
    if (!path.match(browserPath).hasMatch()) return std::nullopt;
    QUrl url;
    url.setScheme(QStringLiteral("ws"));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(port);
    url.setPath(browserPath);
    return url;
}

std::optional<QUrl> readDevToolsPort(const QString& profileFolder) {
    QFile file(devToolsPortFile(profileFolder));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return parseDevToolsPort(file.read(4096));
}

QStringList browserArguments(const QString& profileFolder, bool runningAsRoot) {
    QStringList args{QStringLiteral("--user-data-dir=") + profileFolder,
                     QStringLiteral("--remote-debugging-port=0"),
                     QStringLiteral("--no-first-run"),
                     QStringLiteral("--no-default-browser-check"),
                     QStringLiteral("--disable-background-networking"),
                     QStringLiteral("--disable-component-update"),
                     QStringLiteral("--disable-sync"),
                     QStringLiteral("--disable-quic")};
    // An X client even on a Wayland session: only there can the window in
    // front be matched to its page.
    args << QStringLiteral("--ozone-platform=x11");
    // The sandbox refuses to run as root.
    if (runningAsRoot) args << QStringLiteral("--no-sandbox");
    // No window of its own: the first page opened is the only window the user sees.
    args << QStringLiteral("--no-startup-window");
    return args;
}

bool ChromiumProtocol::prepare(const QString& profile) {
    // A file left by a browser that died would look like an answer.
    const QString file = devToolsPortFile(profile);
    return !QFile::exists(file) || QFile::remove(file);
}

std::unique_ptr<PageFeed> ChromiumProtocol::feed(BrowserConnection& connection,
                                                 FollowedPages& pages) {
    return std::make_unique<PageTracker>(connection, pages);
}

void ChromiumProtocol::open(BrowserConnection& connection, const QString& url, Opened done) {
    connection.send(QStringLiteral("Target.createTarget"),
                    {{QStringLiteral("url"), url}, {QStringLiteral("newWindow"), true}},
                    [done = std::move(done)](const BrowserReply& reply) {
                        OpenResult result;
                        result.failure = reply.failure;
                        result.detail = reply.detail;
                        done(result, reply.result.value(QStringLiteral("targetId")).toString());
                    });
}

} // namespace kurumin
