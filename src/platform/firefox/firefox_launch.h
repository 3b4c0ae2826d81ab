#pragma once
// Starting Firefox with a profile of our own, reading where it listens, and
// the WebDriver BiDi steps of the browser session. Firefox allows one session
// and keeps a BiDi-made one after its client is gone, so the session is made
// over Marionette instead: Firefox ends it when that connection drops, even
// when we are killed, and the next run can make its own.

#include "platform/browser_link/browser_connection.h"
#include "platform/browser_link/browser_session.h"
#include "platform/firefox/marionette_link.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <map>
#include <memory>
#include <optional>

namespace kurumin {

QStringList firefoxPrograms();

// Firefox writes these files into its profile once it listens.
QString bidiServerFile(const QString& profileFolder);
QString marionettePortFile(const QString& profileFolder);
// The Marionette port named by the file's contents, as tcp://127.0.0.1:<port>.
std::optional<QUrl> parseMarionettePort(const QByteArray& contents);
// The session's WebSocket as Marionette names it; only ever on loopback.
std::optional<QUrl> parseSessionSocket(const QString& url);

// The preferences a fresh profile needs to stay quiet and undisturbed.
QByteArray firefoxUserPrefs();

class FirefoxProtocol : public QObject, public BrowserProtocol {
    Q_OBJECT
  public:
    FirefoxProtocol(BrowserConnection& connection, int sessionTimeoutMs = 15000);
    ~FirefoxProtocol() override;

    QString profileName() const override { return QStringLiteral("firefox-profile"); }
    std::optional<QUrl> endpoint(const QString& profile) const override;
    bool prepare(const QString& profile) override;
    QStringList arguments(const QString& profile, bool runningAsRoot) const override;
    void adjustEnvironment(QProcessEnvironment& environment) const override {
        // An X client even on a Wayland session: only there can the window in
        // front be matched to its page.
        environment.insert(QStringLiteral("MOZ_ENABLE_WAYLAND"), QStringLiteral("0"));
    }
    void reach(const QUrl& endpoint, Reached done) override;
    void greet(BrowserConnection& connection, Done done) override;
    void open(BrowserConnection& connection, const QString& url, Opened done) override;
    // "<title> — <browser>", or the browser's name alone for an untitled page.
    WindowNaming naming() const override { return {QStringLiteral(" \u2014 "), true}; }
    // The lock names the process that holds the windows, even one that restarted itself.
    qint64 browserProcess(const QString& profile, qint64 started) const override;
    std::unique_ptr<PageFeed> feed(BrowserConnection& connection, FollowedPages& pages) override;
    // Ends our session, so that the next run can make one.
    void farewell() override;

  private:
    struct Opening;
    void navigate(const QString& context, const QString& url, Opened done);
    void onEvent(const QString& method, const QJsonObject& params);

    BrowserConnection& connection_;
    MarionetteLink marionette_;
    int sessionTimeoutMs_;
    bool fresh_ = false; // started by us: its first window is still ours to use
    // Navigations waiting to be seen started, by browsing context.
    std::multimap<QString, std::shared_ptr<Opening>> waiting_;
};

} // namespace kurumin
