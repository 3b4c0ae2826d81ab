#include "browse/numbers.h"

#include "panel/trap.h"

#include <charconv>
#include <cmath>
#include <string>

namespace kurumin {

std::optional<double> parseNumber(const QString& text) {
    const QByteArray raw = text.trimmed().toLatin1();
    // toLatin1 turns what it cannot map into '?', which is no number either.
    const char* first = raw.constData();
    const char* last = first + raw.size();
    if (first != last && *first == '+') ++first;
    if (first == last || *first == '+') return std::nullopt;
    // from_chars would also read "inf" and "nan".
    for (const char* p = first; p != last; ++p) {
        const char ch = *p;
        if (!((ch >= '0' && ch <= '9') || ch == '.' || ch == '-' || ch == 'e' || ch == 'E' ||
              ch == '+'))
            return std::nullopt;
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec != std::errc() || end != last || !std::isfinite(value)) return std::nullopt;
    return value;
}

double numberOf(const QString& text) {
    if (auto v = parseNumber(text)) return *v;
    throw CommandFailed("not a number: " + text.toStdString());
}

QString shortestText(double value) {
    if (value == 0) return QStringLiteral("0"); // also -0
    // Fixed notation: the plain shortest form would write 100000 as 1e+05,
    // which a step then reads as five digits wide. The longest fixed text of
    // a double (the smallest subnormal) is some 330 characters.
    char buf[400];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (ec != std::errc()) return QString::number(value, 'f', -1);
    return QString::fromLatin1(buf, static_cast<qsizetype>(end - buf));
}

QString padNumber(double value, int digits) {
    double whole = std::round(value); // halves away from zero
    if (whole == 0) whole = 0;        // no "-0"
    char buf[400];
    const auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, std::fabs(whole), std::chars_format::fixed, 0);
    QString body = ec == std::errc() ? QString::fromLatin1(buf, static_cast<qsizetype>(end - buf))
                                     : QStringLiteral("0");
    if (body.size() < digits) body.prepend(QString(digits - body.size(), u'0'));
    return whole < 0 ? u'-' + body : body;
}

QString padText(const QString& text, int digits) {
    const auto value = parseNumber(text);
    return value ? padNumber(*value, digits) : text;
}

QString zeroMask(int count) {
    return count > 0 ? QString(count, u'0') : QString();
}

} // namespace kurumin
