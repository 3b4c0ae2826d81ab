#include "app/kurumin.h"
#include "app/startup.h"
#include "panel/user_texts.h"
#include "platform/browser_link/browser_choice.h"
#include "platform/chromium/chromium_browser.h"
#include "platform/firefox/firefox_browser.h"
#include "platform/log.h"
#include "platform/profile_file.h"
#include "platform/qt/qt_desktop.h"
#include "platform/qt/toolkit.h"
#include "ui/about_window.h"
#include "ui/panel_view.h"
#include "ui/step_window_view.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

const char* const Usage =
    "Usage: kurumin [--version] [--help]\n"
    "\n"
    "A small always-on-top panel for stepping through sequentially numbered web\n"
    "pages: copy an address with a range such as img[001-120].jpg, then step with\n"
    "[SET], UP and DWN; each page opens in a new browser window.\n"
    "\n"
    "The browser is the one BROWSER names, else the desktop's default, when it is\n"
    "a Chromium-family browser or Firefox that can be driven; when none is named,\n"
    "the first of these installed. Any other gets its pages through the desktop's\n"
    "opener, and the page in front is then not followed.\n"
    "\n"
    "The keep list (URL.ini) and the history (REC/) live beside the program when\n"
    "it can write there, else in $XDG_DATA_HOME/kurumin (~/.local/share/kurumin).\n"
    "What it does is logged on standard error; QT_LOGGING_RULES='kurumin.*=true'\n"
    "shows all of it. See kurumin(1).\n";

// Answered before the toolkit starts: no window, no data folder.
bool answeredCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Kurumin %s\n", KURUMIN_VERSION);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(Usage, stdout);
            return true;
        }
    }
    return false;
}

// The toolkit's names, icon and translation, and the desktop's checks.
void setUpApplication(QApplication& app, bool choseX11) {
    using namespace kurumin;
    // What we start (the browser, the opener) runs on the user's own choice of platform.
    if (choseX11) qunsetenv("QT_QPA_PLATFORM");
    QApplication::setApplicationName(QStringLiteral("Kurumin"));
    QApplication::setApplicationVersion(QStringLiteral(KURUMIN_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("kurumin"));
    QApplication::setWindowIcon(programIcon());
    if (!installToolkitTranslation(app))
        qCWarning(lcDesktop, "no Japanese translation of the toolkit (qt6-translations-l10n)");
    warnIfFrontWindowUnknown();
    refuseHeldKeys(app);
    // Closing the panel ends the run through its own close sequence.
    QApplication::setQuitOnLastWindowClosed(false);
}

// The browser BROWSER names, else the desktop's default, else the first found.
kurumin::ChosenBrowser::Choose browserChooser(const QString& named) {
    using namespace kurumin;
    return [named](const DesktopDefault& desktopDefault) {
        return chooseBrowser(named, desktopDefault, defaultBrowserPrograms(), firefoxPrograms(),
                             [](const QString& name) { return findBrowserProgram({name}); });
    };
}

// The port for the browser chosen, its profile in the data folder.
kurumin::ChosenBrowser::Make browserMaker(const QString& data, kurumin::QtDesktop& desktop) {
    using namespace kurumin;
    return [data, &desktop](const BrowserChoice& choice) {
        const DrivenBrowserOptions options = programOptions(data, desktop.windows, choice.program);
        return choice.family == BrowserFamily::Firefox
                   ? createFirefoxBrowser(options, desktop.shell)
                   : createChromiumBrowser(options, desktop.shell);
    };
}

} // namespace

int main(int argc, char** argv) {
    using namespace kurumin;
    if (answeredCommandLine(argc, argv)) return 0;
    qSetMessagePattern(QStringLiteral("%{if-category}%{category}: %{endif}%{message}"));
    const bool choseX11 = preferX11Platform(argc, argv);
    QApplication app(argc, argv);
    setUpApplication(app, choseX11);

    QtDesktop desktop;
    if (refuseSecondInstance(desktop.instance, desktop.messageBox)) return 0;

    ProfileFile profile;
    const QString data = desktop.program.dataFolder();
    const QString named = qEnvironmentVariable("BROWSER");
    ChosenBrowser browser(named.trimmed().isEmpty() ? ChosenBrowser::LookUp(lookUpDesktopDefault)
                                                    : nullptr,
                          browserChooser(named), browserMaker(data, desktop), desktop.shell);
    browser.setNotice([&desktop] {
        desktop.messageBox.show(msg::browserNotDrivenText(), msg::browserNotDrivenTitle(),
                                MsgButtons::Ok, MsgIcon::Exclamation);
    });
    StepWindowFactory stepWindows;
    AboutWindowHost about;
    Services svc = desktop.services(profile, browser);
    Kurumin kurumin(svc, {stepWindows, about});
    PanelView view(kurumin.panel);
    kurumin.panel.attachWindow(&view);
    kurumin.panel.setQuitHandler([] { QCoreApplication::quit(); });

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    view.move(screen.right() - view.width() - 40, screen.top() + 40);
    kurumin.load();
    view.show();
    // The browser is chosen once the panel is up, or at the first open before that.
    QTimer::singleShot(0, &browser, &ChosenBrowser::begin);
    return app.exec();
}
