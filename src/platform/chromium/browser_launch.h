#pragma once
// Starting a Chromium-family browser, reading where it listens, and opening
// a page in it: its steps for the browser session.

#include "platform/browser_link/browser_session.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace kurumin {

// The programs tried, in order, when none is named.
QStringList defaultBrowserPrograms();

// The browser writes this file into its profile once it listens.
QString devToolsPortFile(const QString& profileFolder);

// The browser endpoint named by the file's contents: line 1 the port, line 2
// /devtools/browser/<id>. Nothing when the contents are not exactly that.
std::optional<QUrl> parseDevToolsPort(const QByteArray& contents);
std::optional<QUrl> readDevToolsPort(const QString& profileFolder);

QStringList browserArguments(const QString& profileFolder, bool runningAsRoot);

class ChromiumProtocol : public BrowserProtocol {
  public:
    QString profileName() const override { return QStringLiteral("browser-profile"); }
    std::optional<QUrl> endpoint(const QString& profile) const override {
        return readDevToolsPort(profile);
    }
    bool prepare(const QString& profile) override;
    QStringList arguments(const QString& profile, bool runningAsRoot) const override {
        return browserArguments(profile, runningAsRoot);
    }
    void open(BrowserConnection& connection, const QString& url, Opened done) override;
    // "<title> - <browser>"
    WindowNaming naming() const override { return {QStringLiteral(" - "), false}; }
    std::unique_ptr<PageFeed> feed(BrowserConnection& connection, FollowedPages& pages) override;
};

} // namespace kurumin
