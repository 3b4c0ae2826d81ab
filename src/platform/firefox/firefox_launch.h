#pragma once
// Starting Firefox with a profile of our own, reading where it listens, and
// the WebDriver BiDi steps of the browser session: a session of our own on
// the fresh connection, and a page opened as a new window then navigated.

#include "platform/browser_link/browser_connection.h"
#include "platform/browser_link/browser_session.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <map>
#include <memory>
#include <optional>

namespace kurumin {

QStringList firefoxPrograms();

// Firefox writes this file into its profile once it listens.
QString bidiServerFile(const QString& profileFolder);
// The session endpoint named by the file's contents, always on loopback.
std::optional<QUrl> parseBidiServer(const QByteArray& contents);

// The preferences a fresh profile needs to stay quiet and undisturbed.
QByteArray firefoxUserPrefs();

class FirefoxProtocol : public QObject, public BrowserProtocol {
    Q_OBJECT
  public:
    explicit FirefoxProtocol(BrowserConnection& connection);
    ~FirefoxProtocol() override;

    QString profileName() const override { return QStringLiteral("firefox-profile"); }
    std::optional<QUrl> endpoint(const QString& profile) const override;
    bool prepare(const QString& profile) override;
    QStringList arguments(const QString& profile, bool runningAsRoot) const override;
    void greet(BrowserConnection& connection, Done done) override;
    void open(BrowserConnection& connection, const QString& url, Opened done) override;

    // Ends our session, so that the next run can start one; for a clean exit.
    void farewell();

  private:
    struct Opening;
    void navigate(const QString& context, const QString& url, Opened done);
    void onEvent(const QString& method, const QJsonObject& params);

    BrowserConnection& connection_;
    bool fresh_ = false; // started by us: its first window is still ours to use
    // Navigations waiting to be seen started, by browsing context.
    std::multimap<QString, std::shared_ptr<Opening>> waiting_;
};

} // namespace kurumin
