#include "platform/qt/toolkit.h"

#include "platform/log.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstring>

namespace kurumin {

bool preferX11Platform(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
        !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return false;
    // Wayland after all when there is no Xwayland to reach.
    return qputenv("QT_QPA_PLATFORM", "xcb;wayland");
}

QIcon programIcon() {
    QIcon icon = QIcon::fromTheme(QStringLiteral("kurumin"));
    if (!icon.isNull()) return icon;
    const QString dir = QCoreApplication::applicationDirPath();
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        for (const QString& file :
             {QStringLiteral("%1/../share/icons/hicolor/%2x%2/apps/kurumin.png"),
              QStringLiteral("%1/../packaging/icons/%2x%2/kurumin.png")}) {
            const QString path = file.arg(dir).arg(size);
            if (QFile::exists(path)) icon.addFile(path, QSize(size, size));
        }
    }
    return icon;
}

void warnIfFrontWindowUnknown() {
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb") || platform == QLatin1String("offscreen")) return;
    qCWarning(lcDesktop,
              "on the %s platform the window in front cannot be known, so the browser "
              "page in front is not followed; start Kurumin as an X client (QT_QPA_PLATFORM=xcb) "
              "to follow it",
              qPrintable(platform));
}

bool installToolkitTranslation(QCoreApplication& app) {
    auto* texts = new QTranslator(&app);
    if (!texts->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete texts;
        return false;
    }
    return QCoreApplication::installTranslator(texts);
}

} // namespace kurumin
