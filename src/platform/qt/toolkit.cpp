#include "platform/qt/toolkit.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstring>

namespace kurumin {

void preferX11Platform(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
        !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return;
    // Wayland after all when there is no Xwayland to reach.
    qputenv("QT_QPA_PLATFORM", "xcb;wayland");
}

void warnIfFrontWindowUnknown() {
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb") || platform == QLatin1String("offscreen")) return;
    qWarning("kurumin: on the %s platform the window in front cannot be known, so the browser "
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
