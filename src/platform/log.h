#pragma once
// The program's log on standard error, one category a concern. Warnings show
// by default; the rest with QT_LOGGING_RULES="kurumin.*.info=true".

#include <QLoggingCategory>
#include <QString>

namespace kurumin {

Q_DECLARE_LOGGING_CATEGORY(lcBrowser)
Q_DECLARE_LOGGING_CATEGORY(lcDesktop)
// Each message to and from the browser, by method and id only.
Q_DECLARE_LOGGING_CATEGORY(lcProtocol)

// Text from outside (a browser's answer, a desktop file) fit for one log
// line: control characters and quotes escaped, at most 200 characters.
QString logSafe(const QString& text);

} // namespace kurumin
