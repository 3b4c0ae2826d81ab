#include "platform/browser.h"

#include <QRegularExpression>

namespace kurumin {

std::optional<BrowserPage> BrowserPort::frontPage() {
    for (const BrowserPage& page : pages())
        if (page.inFront) return page;
    return std::nullopt;
}

QString normaliseBrowserAddress(const QString& url) {
    const QString trimmed = url.trimmed();
    if (trimmed.isEmpty()) return {};
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.\\-]*):"));
    const auto m = scheme.match(trimmed);
    if (!m.hasMatch()) return QStringLiteral("http://") + trimmed;
    const QString name = m.captured(1).toLower();
    if (name == u"http" || name == u"https" || name == u"file" || name == u"ftp") return trimmed;
    // "host:8080/path" has no scheme, only a port.
    const QString rest = trimmed.mid(m.capturedLength());
    static const QRegularExpression port(QStringLiteral("^\\d+(/|$)"));
    if (port.match(rest).hasMatch()) return QStringLiteral("http://") + trimmed;
    return {};
}

} // namespace kurumin
