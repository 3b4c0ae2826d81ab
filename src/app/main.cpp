#include "app/kurumin.h"
#include "app/startup.h"
#include "platform/browser_link/browser_choice.h"
#include "platform/chromium/chromium_browser.h"
#include "platform/firefox/firefox_browser.h"
#include "platform/profile_file.h"
#include "platform/qt/qt_desktop.h"
#include "platform/qt/toolkit.h"
#include "ui/about_window.h"
#include "ui/panel_view.h"
#include "ui/step_window_view.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char** argv) {
    using namespace kurumin;
    preferX11Platform(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kurumin"));
    if (!installToolkitTranslation(app))
        qWarning("kurumin: no Japanese translation of the toolkit (qt6-translations-l10n)");
    warnIfFrontWindowUnknown();
    // Closing the panel ends the run through its own close sequence.
    QApplication::setQuitOnLastWindowClosed(false);

    QtDesktop desktop;
    if (refuseSecondInstance(desktop.instance, desktop.messageBox)) return 0;

    ProfileFile profile;
    const BrowserChoice choice =
        chooseBrowser(desktopDefaultBrowser(), defaultBrowserPrograms(), firefoxPrograms(),
                      [](const QString& name) { return findBrowserProgram({name}); });
    const QString data = desktop.program.dataFolder();
    const DrivenBrowserOptions options = programOptions(data, desktop.windows, choice.program);
    auto browser = choice.family == BrowserFamily::Firefox
                       ? createFirefoxBrowser(options, desktop.shell)
                       : createChromiumBrowser(options, desktop.shell);
    StepWindowFactory stepWindows;
    AboutWindowHost about;
    Services svc = desktop.services(profile, *browser);
    Kurumin kurumin(svc, {stepWindows, about});
    PanelView view(kurumin.panel);
    kurumin.panel.attachWindow(&view);
    kurumin.panel.setQuitHandler([] { QCoreApplication::quit(); });

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    view.move(screen.right() - view.width() - 40, screen.top() + 40);
    kurumin.load();
    view.show();
    return app.exec();
}
