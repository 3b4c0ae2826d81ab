#pragma once
// Finding and starting the browser, and reading where it listens.

#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace kurumin {

// The programs tried, in order, when none is named.
QStringList defaultBrowserPrograms();

// The first of the candidates found on PATH (or given as an absolute path); empty when none.
QString findBrowserProgram(const QStringList& candidates);

// The browser writes this file into its profile once it listens.
QString devToolsPortFile(const QString& profileFolder);

// The browser endpoint named by the file's contents: line 1 the port, line 2
// /devtools/browser/<id>. Nothing when the contents are not exactly that.
std::optional<QUrl> parseDevToolsPort(const QByteArray& contents);
std::optional<QUrl> readDevToolsPort(const QString& profileFolder);

QStringList browserArguments(const QString& profileFolder, bool runningAsRoot);

} // namespace kurumin
