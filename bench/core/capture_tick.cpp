// The page in front, on the real desktop services and a real browser:
// 1. how long after a browser window comes to the front the capture names
//    its page, over 50 switches between the windows of 10 pages: what a
//    tick reads (the browser port's page in front) and the panel's lURL,
//    the timers running as in use;
// 2. the UI thread's cost of one capture tick (timGETURL) and one Timer3
//    tick with 10, 50 and 100 pages open, a browser window in front. The
//    ticks fall on their timers' periods, so the browser's answers are
//    handled between them as in use.
// Starts its own browser on a private profile (Chromium, or Firefox with 10
// and 50 pages when the third argument says firefox), and ends by itself, in
// about four minutes (a watchdog ends it and its browser); run on a display, e.g.
//   tests/desktop-session.sh build/bin/bench_capture [ticks per size] [switches] [firefox]
#include "../bench_browser.h"
#include "../event_waits.h"
#include "../local_http.h"
#include "app/kurumin.h"
#include "capture/page_capture.h"
#include "platform/chromium/chromium_browser.h"
#include "platform/fake/fakes.h"
#include "platform/qt/qt_desktop.h"
#include "platform/qt/xcb_util.h"
#include "ui/panel_view.h"
#include "ui/step_window_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <vector>

using namespace kurumin;

using kurumin::bench::NoShell;
using kurumin::bench::percentile;
using kurumin::bench::runFor;
using kurumin::bench::runUntil;

namespace {

// The answer may come after the wait gave up: it lands in state of its own.
bool open(BrowserPort& browser, const QString& url) {
    const auto answer = std::make_shared<std::optional<bool>>();
    browser.openPage(url, [answer, url](const OpenResult& r) {
        *answer = r.ok();
        if (!r.ok())
            std::fprintf(stderr, "open %s failed: %s\n", qPrintable(url), qPrintable(r.detail));
    });
    runUntil(
        QStringLiteral("the answer to opening ") + url, [&] { return answer->has_value(); }, 60000);
    return answer->value_or(false);
}

std::optional<BrowserPage> front(BrowserPort& browser) {
    for (const BrowserPage& page : browser.pages())
        if (page.inFront) return page;
    return std::nullopt;
}

double msSince(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

// The browser a hung or stopped run leaves behind is ended with it.
volatile pid_t browserPid = 0;
extern "C" void onWatchdog(int) {
    static const char text[] = "bench_capture: stopped, by its watchdog or a guard\n";
    [[maybe_unused]] const auto n = ::write(2, text, sizeof text - 1);
    if (browserPid > 0) ::kill(browserPid, SIGKILL);
    ::_exit(3);
}

xcb_connection_t* x11() {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t rootWindow(xcb_connection_t* c) {
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

QByteArray property(xcb_connection_t* c, xcb_window_t w, const char* name) {
    const auto cookie =
        xcb_get_property(c, 0, w, xcb::atom(c, name), XCB_GET_PROPERTY_TYPE_ANY, 0, 4096);
    const xcb::Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(c, cookie, nullptr));
    if (!r) return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(r.get())),
                      xcb_get_property_value_length(r.get()));
}

// The desktop's window whose title starts with `title`, 0 when there is none.
xcb_window_t windowTitled(const QString& title) {
    xcb_connection_t* c = x11();
    const QByteArray list = property(c, rootWindow(c), "_NET_CLIENT_LIST");
    for (qsizetype i = 0; i + 4 <= list.size(); i += 4) {
        xcb_window_t w = 0;
        std::memcpy(&w, list.constData() + i, 4);
        if (QString::fromUtf8(property(c, w, "_NET_WM_NAME")).startsWith(title)) return w;
    }
    return 0;
}

// As a pager or xdotool asks the window manager, without waiting for it.
void activate(xcb_window_t window) {
    xcb_connection_t* c = x11();
    xcb_client_message_event_t e{};
    e.response_type = XCB_CLIENT_MESSAGE;
    e.format = 32;
    e.window = window;
    e.type = xcb::atom(c, "_NET_ACTIVE_WINDOW");
    e.data.data32[0] = 2; // from a pager: honoured at once
    xcb_send_event(c, 0, rootWindow(c),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&e));
    xcb_flush(c);
}

// Runs the event loop until `done`, checking it every millisecond.
bool spinUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    QEventLoop loop;
    QTimer poll;
    bool ok = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if ((ok = done()) || t.elapsed() >= timeoutMs) loop.quit();
    });
    poll.start(1);
    loop.exec();
    return ok;
}

struct Switches {
    std::vector<double> port, panel;
    int missed = 0;
};

// Switches between the windows of `paths`, each its own window, with the
// panel's timers running; the next switch waits a random part of a tick
// so that switches fall anywhere in the timer's period.
Switches switchWindows(BrowserPort& browser, Panel& panel, const std::vector<QString>& paths,
                       int count) {
    Switches s;
    std::mt19937 random(19);
    std::vector<xcb_window_t> windows;
    for (const QString& path : paths) {
        xcb_window_t w = 0;
        const QString title = QStringLiteral("Page ") + path + u' ';
        runUntil(
            QStringLiteral("a window titled ") + title,
            [&] { return (w = windowTitled(title)) != 0; }, 10000);
        windows.push_back(w);
    }
    for (int i = 0; i < count; ++i) {
        const std::size_t k = (std::size_t(i) * 3 + 1) % paths.size();
        if (!windows[k]) {
            ++s.missed;
            continue;
        }
        const QString& path = paths[k];
        QElapsedTimer t;
        activate(windows[k]);
        t.start();
        double port = -1, lURL = -1;
        spinUntil(
            [&] {
                if (port < 0) {
                    const auto page = front(browser);
                    if (page && page->url.endsWith(path)) port = msSince(t);
                }
                if (lURL < 0 && panel.page.lURL().endsWith(path)) lURL = msSince(t);
                return port >= 0 && lURL >= 0;
            },
            3000);
        if (port < 0 || lURL < 0) ++s.missed;
        if (port >= 0) s.port.push_back(port);
        if (lURL >= 0) s.panel.push_back(lURL);
        runFor(int(random() % 500));
    }
    return s;
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
    // Twice the ticks' own time: a timer that stops firing ends the sample.
    const int deadlineMs = 2 * ticks * panel.timer(Tmr::timGETURL).interval() + 5000;
    QElapsedTimer t0;
    t0.start();
    QTimer::singleShot(deadlineMs, &loop, [&] {
        bench::gaveUp(QStringLiteral("%1 capture ticks").arg(ticks), t0.elapsed());
        loop.quit();
    });
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
    if (v.empty()) {
        std::printf("    %-28s no samples\n", what);
        return;
    }
    std::printf("    %-28s median %.3f  p95 %.3f  max %.3f ms  (n=%zu)\n", what, percentile(v, 0.5),
                percentile(v, 0.95), *std::max_element(v.begin(), v.end()), v.size());
}

// The panel over the real desktop and a real browser, the pages it opens
// numbered in order.
struct Rig {
    explicit Rig(bool useFirefox) : firefox(useFirefox) {
        kurumin.panel.attachWindow(&view);
        kurumin.load();
        view.show();
        // No copy of the clipboard opens anything meanwhile.
        kurumin.panel.timer(Tmr::timCrip).stop();
    }
    const bool firefox;
    QtDesktop desk;
    fake::Profile profile;
    StepWindowFactory stepWindows;
    fake::AboutWindowHost about;
    QTemporaryDir folder;
    LocalHttp http;
    NoShell shell;
    std::unique_ptr<DrivenBrowser> port =
        bench::makeBrowser(folder.path(), desk.windows, shell, firefox);
    BrowserPort& browser = *port;
    Services svc = desk.services(profile, browser);
    Kurumin kurumin{svc, {stepWindows, about}};
    PanelView view{kurumin.panel};
    int serial = 0;

    bool openNext() {
        const bool ok = open(browser, http.url(QStringLiteral("/p-%1").arg(++serial)));
        browserPid = pid_t(port->startedProcess());
        return ok;
    }
    int listed() { return int(browser.pages().size()); }
    // A start page of the browser's own counts: the tracker lists it too.
    // A few spare opens, no more: a browser that drops pages as they come
    // would take every open there is.
    bool openUpTo(int target) {
        for (int spare = 10; listed() < target && spare > 0; --spare) {
            for (int i = listed(); i < target; ++i)
                if (!openNext()) return false;
            runUntil(
                QStringLiteral("the tracker to list %1 pages").arg(target),
                [&] { return listed() >= target; }, 20000);
        }
        return listed() >= target;
    }
    // The ticks' cost with a page of the middle of those opened in front, as
    // the user left it.
    bool measureTicks(int ticks) {
        const QString path = QStringLiteral("/p-%1").arg(serial / 2 + 1);
        xcb_window_t window = 0;
        const QString title = QStringLiteral("Page %1 ").arg(path);
        runUntil(
            QStringLiteral("a window titled ") + title,
            [&] { return (window = windowTitled(title)) != 0; }, 10000);
        activate(window);
        const bool inFront = runUntil(
            QStringLiteral("the tracker to see %1 in front").arg(path),
            [&] {
                const auto page = front(browser);
                return page && page->url.endsWith(path);
            },
            10000);
        runFor(1000); // loading and focus answers settle
        // Both ticks ask which window is in front: a round trip to the X server
        // unless the desktop follows it from the window manager's notices.
        std::vector<double> roundTrip;
        for (int i = 0; i < 200; ++i) {
            QElapsedTimer t;
            t.start();
            desk.windows.foregroundWindow();
            roundTrip.push_back(msSince(t));
        }
        if (!inFront) tellFront(path);
        const Samples s = sample(kurumin.panel, ticks);
        const bool captured = kurumin.panel.page.lURL().endsWith(path);
        std::printf("%3zu pages, %s in front%s:\n", browser.pages().size(), qPrintable(path),
                    inFront && captured ? "" : " (NOT seen in front)");
        report("capture tick, handler", s.capture);
        report("capture tick, with views", s.captureWhole);
        report("Timer3 tick, handler", s.foreground);
        report("Timer3 tick, with views", s.foregroundWhole);
        report("front window asked", roundTrip);
        return inFront && captured;
    }
    void tellFront(const QString& path) {
        const WindowHandle w = desk.windows.foregroundWindow();
        std::fprintf(stderr, "front window %llx \"%s\"\n", (unsigned long long)w,
                     desk.windows.windowTitle(w, 256).constData());
        for (const BrowserPage& p : browser.pages())
            if (p.inFront || p.url.endsWith(path))
                std::fprintf(stderr, "  page %s \"%s\" front=%d\n", qPrintable(p.url),
                             qPrintable(p.title), p.inFront);
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int ticks = argc > 1 ? std::max(2, std::atoi(argv[1])) : 100;
    const int switches = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50;
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // figures show as they come
    std::signal(SIGALRM, onWatchdog);
    std::signal(SIGTERM, onWatchdog);
    ::alarm(900);
    if (!x11()) {
        std::fprintf(stderr, "bench_capture needs an X display\n");
        return 2;
    }
    Rig rig(argc > 3 && std::strcmp(argv[3], "firefox") == 0);

    // Ten pages of the site's own, whatever the browser shows besides.
    while (rig.serial < 10)
        if (!rig.openNext()) { // no browser to measure
            bench::endBrowser(rig.port->startedProcess());
            return 1;
        }
    std::vector<QString> paths;
    for (int i = 1; i <= rig.serial; ++i)
        paths.push_back(QStringLiteral("/p-%1").arg(i));
    runFor(1000); // loading settles
    const Switches sw = switchWindows(rig.browser, rig.kurumin.panel, paths, switches);
    std::printf("%d switches between the windows of %d pages (%d not captured in 3 s):\n", switches,
                rig.serial, sw.missed);
    report("front page, as a tick reads", sw.port);
    report("lURL", sw.panel);
    int status = sw.missed > 0 ? 1 : 0;

    // The ticks measured are the only ones.
    for (const Tmr t : {Tmr::timGETURL, Tmr::Timer3})
        rig.kurumin.panel.timer(t).stop();
    for (const int target :
         rig.firefox ? std::vector<int>{10, 50} : std::vector<int>{10, 50, 100}) {
        if (!rig.openUpTo(target)) {
            std::fprintf(stderr, "the tracker lists %d of %d pages\n", rig.listed(), target);
            status = 1;
            break;
        }
        if (!rig.measureTicks(ticks)) status = 1;
    }
    bench::endBrowser(rig.port->startedProcess());
    return status;
}
