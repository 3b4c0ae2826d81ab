#include "platform/qt/toolkit.h"

#include "platform/log.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QIcon>
#include <QKeyEvent>
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

namespace {

class HeldKeys : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (event->type() == QEvent::KeyRelease) {
            released_[key->key()] = key->timestamp();
            return false;
        }
        // The server repeats a held key as a release and a press of one time;
        // the toolkit marks the pair only when both have arrived together.
        const bool repeat =
            key->isAutoRepeat() ||
            (key->timestamp() != 0 && released_.value(key->key()) == key->timestamp());
        return repeat &&
               (qobject_cast<QAbstractButton*>(watched) || qobject_cast<QDialog*>(watched));
    }

  private:
    QHash<int, quint64> released_; // each key's last release
};

} // namespace

void refuseHeldKeys(QCoreApplication& app) {
    app.installEventFilter(new HeldKeys(&app));
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
