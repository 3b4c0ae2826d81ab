// The UI thread's cost of one capture tick (timGETURL) and one Timer3 tick
// with 10, 50 and 100 pages open in a real browser, on the real desktop
// services, a browser window in front. The ticks fall on their timers'
// periods, so the browser's answers are handled between them as in use.
// Starts its own browser on a private profile; run on a display, e.g.
//   tests/desktop-session.sh build/bin/bench_capture [ticks per size]
#include "../bench_browser.h"
#include "../event_waits.h"
#include "app/kurumin.h"
#include "capture/page_capture.h"
#include "local_http.h"
#include "platform/chromium/chromium_port.h"
#include "platform/fake/fakes.h"
#include "platform/qt/qt_desktop.h"
#include "ui/panel_view.h"
#include "ui/step_window_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <vector>

using namespace kurumin;

using kurumin::bench::browserOptions;
using kurumin::bench::NoShell;
using kurumin::bench::percentile;
using kurumin::bench::runFor;
using kurumin::bench::runUntil;

namespace {

bool open(BrowserPort& browser, const QString& url) {
    bool done = false, ok = false;
    browser.openPage(url, [&](const OpenResult& r) {
        ok = r.ok();
        if (!ok)
            std::fprintf(stderr, "open %s failed: %s\n", qPrintable(url), qPrintable(r.detail));
        done = true;
    });
    runUntil([&] { return done; }, 60000);
    return ok;
}

std::optional<BrowserPage> front(BrowserPort& browser) {
    for (const BrowserPage& page : browser.pages())
        if (page.inFront) return page;
    return std::nullopt;
}

double msSince(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

struct Samples {
    std::vector<double> capture, captureWhole, foreground, foregroundWhole;
};

// Each timer's tick alternates between the handler alone and the whole tick
// as the timer runs it, the views following the model included.
Samples sample(Panel& panel, int ticks) {
    Samples s;
    QEventLoop loop;
    QTimer capture, foreground;
    QObject::connect(&capture, &QTimer::timeout, [&] {
        QElapsedTimer t;
        t.start();
        if (s.capture.size() <= s.captureWhole.size()) {
            captureTick(panel);
            s.capture.push_back(msSince(t));
        } else {
            panel.runTick(Tmr::timGETURL);
            s.captureWhole.push_back(msSince(t));
        }
        if (int(s.capture.size() + s.captureWhole.size()) >= ticks) loop.quit();
    });
    QObject::connect(&foreground, &QTimer::timeout, [&] {
        QElapsedTimer t;
        t.start();
        if (s.foreground.size() <= s.foregroundWhole.size()) {
            foregroundTick(panel);
            s.foreground.push_back(msSince(t));
        } else {
            panel.runTick(Tmr::Timer3);
            s.foregroundWhole.push_back(msSince(t));
        }
    });
    capture.start(panel.timer(Tmr::timGETURL).interval());
    foreground.start(panel.timer(Tmr::Timer3).interval());
    loop.exec();
    return s;
}

void report(const char* what, const std::vector<double>& v) {
    std::printf("    %-28s median %.3f  p95 %.3f  max %.3f ms  (n=%zu)\n", what, percentile(v, 0.5),
                percentile(v, 0.95), *std::max_element(v.begin(), v.end()), v.size());
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int ticks = argc > 1 ? std::max(2, std::atoi(argv[1])) : 200;
    QtDesktop desk;
    fake::Profile profile;
    StepWindowHost stepWindows;
    fake::AboutWindowHost about;
    QTemporaryDir folder;
    LocalHttp http;
    NoShell shell;
    ChromiumBrowser browser(browserOptions(folder.path(), desk.windows), shell);

    Services svc = desk.services(profile, browser, stepWindows, about);
    Kurumin kurumin(svc);
    PanelView view(kurumin.panel);
    kurumin.panel.attachWindow(&view);
    kurumin.load();
    view.show();
    // The ticks measured are the only ones.
    for (const Tmr t : {Tmr::timCrip, Tmr::timGETURL, Tmr::Timer3})
        kurumin.panel.timer(t).stop();

    int status = 0;
    int serial = 0;
    for (const int target : {10, 50, 100}) {
        // The browser's own blank page counts: the tracker lists it too.
        while (int(browser.pages().size()) < target && status == 0)
            if (!open(browser, http.url(QStringLiteral("/p-%1").arg(++serial)))) status = 1;
        if (status != 0 ||
            !runUntil([&] { return int(browser.pages().size()) >= target; }, 20000)) {
            std::fprintf(stderr, "the tracker never listed %d pages\n", target);
            status = 1;
            break;
        }
        // A page of the middle of those opened, in front as the user left it.
        const QString path = QStringLiteral("/p-%1").arg(serial / 2 + 1);
        QProcess::execute(QStringLiteral("xdotool"),
                          {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                           QStringLiteral("--name"), QStringLiteral("^Page %1 ").arg(path),
                           QStringLiteral("windowactivate"), QStringLiteral("--sync")});
        const bool inFront = runUntil(
            [&] {
                const auto page = front(browser);
                return page && page->url.endsWith(path);
            },
            10000);
        runFor(1000); // loading and focus answers settle
        // The floor under both ticks: each asks the X server which window is in front.
        std::vector<double> roundTrip;
        for (int i = 0; i < 200; ++i) {
            QElapsedTimer t;
            t.start();
            desk.windows.foregroundWindow();
            roundTrip.push_back(msSince(t));
        }
        const Samples s = sample(kurumin.panel, ticks);
        const bool captured = kurumin.panel.s.lURL.endsWith(path);
        std::printf("%3zu pages, %s in front%s:\n", browser.pages().size(), qPrintable(path),
                    inFront && captured ? "" : " (NOT seen in front)");
        report("capture tick, handler", s.capture);
        report("capture tick, with views", s.captureWhole);
        report("Timer3 tick, handler", s.foreground);
        report("Timer3 tick, with views", s.foregroundWhole);
        report("one X round trip", roundTrip);
        if (!inFront || !captured) status = 1;
    }

    if (const qint64 pid = browser.startedProcess(); pid > 0) {
        ::kill(pid_t(pid), SIGTERM);
        if (!runUntil([&] { return ::kill(pid_t(pid), 0) != 0; }, 15000))
            ::kill(pid_t(pid), SIGKILL);
    }
    return status;
}
