#include "platform/browser_link/browser_choice.h"

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include <optional>

namespace kurumin {

QString desktopDefaultBrowser() {
    // BROWSER is a list of commands, each perhaps with arguments and %s.
    const QString browser =
        QProcessEnvironment::systemEnvironment().value(QStringLiteral("BROWSER"));
    const QString first = browser.section(u':', 0, 0).trimmed().section(u' ', 0, 0);
    if (!first.isEmpty()) return first;
    QProcess xdg;
    xdg.setStandardErrorFile(QProcess::nullDevice());
    xdg.start(QStringLiteral("xdg-settings"),
              {QStringLiteral("get"), QStringLiteral("default-web-browser")});
    // Asked once at start-up, before the panel shows; a desktop that hangs is not waited for.
    if (!xdg.waitForFinished(2000)) {
        xdg.kill();
        xdg.waitForFinished(500);
        return {};
    }
    if (xdg.exitStatus() != QProcess::NormalExit || xdg.exitCode() != 0) return {};
    return QString::fromLocal8Bit(xdg.readAllStandardOutput()).trimmed();
}

namespace {

// "firefox-esr.desktop", "org.mozilla.firefox.desktop", "/usr/bin/chromium" and
// the like, to the family that drives them.
QString baseName(const QString& name) {
    QString base = QFileInfo(name).fileName();
    if (base.endsWith(u".desktop")) base.chop(8);
    return base;
}

std::optional<BrowserFamily> familyOf(const QString& name, const QStringList& chromiumPrograms) {
    const QString base = baseName(name).toLower();
    if (base.contains(u"firefox")) return BrowserFamily::Firefox;
    for (const QString& program : chromiumPrograms)
        if (base == program || base.endsWith(u'.' + program)) return BrowserFamily::Chromium;
    if (base.contains(u"chrom") || base.contains(u"brave") || base.contains(u"edge"))
        return BrowserFamily::Chromium;
    return std::nullopt;
}

QString firstFound(const QStringList& programs,
                   const std::function<QString(const QString&)>& find) {
    for (const QString& program : programs)
        if (QString path = find(program); !path.isEmpty()) return path;
    return {};
}

} // namespace

BrowserChoice chooseBrowser(const QString& named, const QStringList& chromiumPrograms,
                            const QStringList& firefoxPrograms,
                            const std::function<QString(const QString&)>& find) {
    if (const auto family = familyOf(named, chromiumPrograms)) {
        // The named program itself, else another of its family.
        const QString itself = find(named.endsWith(u".desktop") ? baseName(named) : named);
        const QString program =
            !itself.isEmpty()
                ? itself
                : firstFound(*family == BrowserFamily::Firefox ? firefoxPrograms : chromiumPrograms,
                             find);
        if (!program.isEmpty()) return {*family, program};
    }
    if (QString program = firstFound(chromiumPrograms, find); !program.isEmpty())
        return {BrowserFamily::Chromium, program};
    if (QString program = firstFound(firefoxPrograms, find); !program.isEmpty())
        return {BrowserFamily::Firefox, program};
    return {};
}

} // namespace kurumin
