// The port on the real browsers, on a display: a page looks for anything of
// the panel's in its own world while the panel follows it.
#include "platform/chromium/browser_launch.h"
#include "platform/chromium/chromium_browser.h"
#include "platform/firefox/firefox_browser.h"
#include "platform/firefox/firefox_launch.h"
#include "platform/qt/qt_services.h"

#include "test_support.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace kurumin;

namespace {

// Every name the page's world holds, its own included, and the names the
// panel's listeners once left there.
const char* const kProbe =
    "<!doctype html><title>probe</title><script>"
    "addEventListener('load', () => setTimeout(() => {"
    " const names = Object.getOwnPropertyNames(window).filter((n) => /kurumin/i.test(n));"
    " for (const n of ['__kuruminShown', '__kuruminShownWatch', '__kuruminTell'])"
    "  if (typeof window[n] !== 'undefined') names.push(n);"
    " document.title = 'probe:' + names.join(',');"
    "}, 500));"
    "</script>";

// One for the run, as in the program.
X11WindowSystem* desktop = nullptr;

template <typename Make> void pageFindsNothingOfThePanels(Make make, const QStringList& programs) {
    QTemporaryDir folder;
    QFile page(folder.filePath("probe.html"));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly) && page.write(kProbe) > 0);
    page.close();
    kurumin::fake::Shell shell;
    DrivenBrowserOptions options;
    options.dataFolder = folder.path();
    options.programs = programs;
    options.desktop = desktop;
    options.requestTimeoutMs = 20000;
    options.startTimeoutMs = 30000;
    auto port = make(options, shell);
    auto opened = openOn(*port, "file://" + page.fileName());
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened->result.has_value(); }, 40000));
    ASSERT_TRUE(opened->result->ok()) << opened->result->detail.toStdString();
    QString title;
    const bool told = QTest::qWaitFor(
        [&] {
            for (const BrowserPage& p : port->pages())
                if (p.title.startsWith("probe:")) title = p.title;
            return !title.isEmpty();
        },
        20000);
    if (port->startedProcess() > 0) ::kill(pid_t(port->startedProcess()), SIGTERM);
    ASSERT_TRUE(told) << "the probe never told";
    EXPECT_EQ(title, "probe:");
}

TEST(RealBrowser, AChromiumPageFindsNothingOfThePanelsInItsWorld) {
    pageFindsNothingOfThePanels(
        [](const DrivenBrowserOptions& o, ShellPort& s) { return createChromiumBrowser(o, s); },
        defaultBrowserPrograms());
}

TEST(RealBrowser, AFirefoxPageFindsNothingOfThePanelsInItsWorld) {
    pageFindsNothingOfThePanels(
        [](const DrivenBrowserOptions& o, ShellPort& s) { return createFirefoxBrowser(o, s); },
        firefoxPrograms());
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    X11WindowSystem windows;
    desktop = &windows;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
