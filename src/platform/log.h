#pragma once
// The program's log on standard error, one category a concern. Warnings show
// by default; the rest with QT_LOGGING_RULES="kurumin.*.info=true".

#include <QLoggingCategory>
#include <QString>

namespace kurumin {

Q_DECLARE_LOGGING_CATEGORY(lcBrowser)
Q_DECLARE_LOGGING_CATEGORY(lcDesktop)

// Text from outside (a browser's answer, a desktop file) fit for one log
// line: control characters and quotes escaped, at most 200 characters.
QString logSafe(const QString& text);

} // namespace kurumin
