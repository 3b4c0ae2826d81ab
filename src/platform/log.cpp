#include "platform/log.h"

namespace kurumin {

Q_LOGGING_CATEGORY(lcBrowser, "kurumin.browser", QtWarningMsg)
Q_LOGGING_CATEGORY(lcDesktop, "kurumin.desktop", QtWarningMsg)
Q_LOGGING_CATEGORY(lcProtocol, "kurumin.browser.protocol", QtWarningMsg)

QString logSafe(const QString& text) {
    QString out;
    for (const QChar c : text.left(200)) {
        if (c == u'\\' || c == u'"')
            out += u'\\' + QString(c);
        else if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
                 c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    if (text.size() > 200) out += QStringLiteral("...");
    return out;
}

} // namespace kurumin
