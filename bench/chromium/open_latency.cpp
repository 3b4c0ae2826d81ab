// Open latency of each browser port and the UI-thread time it costs, and the
// cost of pages() with many windows open: Chromium, then Firefox, in one run,
// each on its own browser and private profile. Run on a display, e.g.
//   tests/desktop-session.sh build/bin/bench_chromium [chromium|firefox]
#include "platform/chromium/chromium_browser.h"
#include "platform/firefox/firefox_browser.h"

#include "../bench_browser.h"
#include "../event_waits.h"
#include "../local_http.h"
#include "firefox_split.h"
#include "platform/qt/qt_services.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

using namespace kurumin;
using kurumin::bench::percentile;
using kurumin::bench::runFor;

namespace {

double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double monotonicS() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

struct Open {
    double latencyMs = -1;
    double insideMs = 0; // in openPage and the callback
    double threadMs = 0; // UI thread CPU from the call to the answer
    bool ok = false;
};

// The answer may come after the wait gave up: it lands in state of its own.
Open timedOpen(BrowserPort& port, const QString& url) {
    struct Wait {
        Open result;
        bool done = false;
        QEventLoop loop; // woken by the answer itself, not by polling
    };
    const auto w = std::make_shared<Wait>();
    QTimer::singleShot(60000, &w->loop, &QEventLoop::quit);
    QElapsedTimer wall;
    const double cpu0 = threadCpuMs();
    wall.start();
    QElapsedTimer inside;
    inside.start();
    port.openPage(url, [w, &wall](const OpenResult& r) {
        if (w->done) return;
        w->result.latencyMs = double(wall.nsecsElapsed()) / 1e6;
        QElapsedTimer cb;
        cb.start();
        w->result.ok = r.ok();
        if (!r.ok()) std::fprintf(stderr, "open failed: %s\n", qPrintable(r.detail));
        w->done = true;
        w->loop.quit();
        w->result.insideMs += double(cb.nsecsElapsed()) / 1e6;
    });
    w->result.insideMs += double(inside.nsecsElapsed()) / 1e6;
    if (!w->done) w->loop.exec();
    if (!w->done) {
        bench::gaveUp(QStringLiteral("the answer to opening ") + url, wall.elapsed());
        w->done = true; // a late answer finds `wall` gone
    }
    w->result.threadMs = threadCpuMs() - cpu0;
    return w->result;
}

void report(const char* what, const std::vector<double>& v) {
    std::printf("  %-34s median %8.3f  p95 %8.3f  max %8.3f ms\n", what, percentile(v, 0.5),
                percentile(v, 0.95), *std::max_element(v.begin(), v.end()));
}

} // namespace

struct Summary {
    double latencyMs = 0;
    double threadMs = 0;
};

template <typename Port>
int measure(Port& port, LocalHttp& http, int refreshMs, std::vector<int> targets, Summary& summary,
            bool split = false) {
    int serial = 0;
    const Open cold = timedOpen(port, http.url(QStringLiteral("/cold")));
    const qint64 pid = port.startedProcess();
    std::printf("cold open (starts the browser): %.1f ms, ok=%d\n", cold.latencyMs, cold.ok);
    if (!cold.ok) {
        bench::endBrowser(pid);
        return 1;
    }
    // What the waiting loop of this benchmark costs by itself, per ms waited.
    runFor(1000);
    const double idle0 = threadCpuMs();
    runFor(2000);
    const double idlePerMs = (threadCpuMs() - idle0) / 2000.0;
    std::printf("idle waiting loop: %.3f ms CPU per second\n", idlePerMs * 1000.0);

    int status = 0;
    for (int target : targets) {
        if (target == 50) {
            // The open sample runs with 10 to 30 windows open.
            std::vector<double> latency, inside, thread, threadLessIdle;
            const double from = monotonicS();
            for (int i = 0; i < 20; ++i) {
                const Open o = timedOpen(port, http.url(QStringLiteral("/open-%1").arg(++serial)));
                latency.push_back(o.latencyMs);
                inside.push_back(o.insideMs);
                thread.push_back(o.threadMs);
                threadLessIdle.push_back(o.threadMs - idlePerMs * o.latencyMs);
            }
            // For a profile of these opens alone:
            //   perf record -k CLOCK_MONOTONIC -i ...; perf report --time FROM,TO
            std::printf("20 opens, browser running (CLOCK_MONOTONIC %.6f to %.6f s):\n", from,
                        monotonicS());
            report("open latency", latency);
            report("in openPage + callback", inside);
            report("UI thread CPU per open", thread);
            report("  less the idle waiting loop", threadLessIdle);
            summary = {percentile(latency, 0.5), percentile(threadLessIdle, 0.5)};
            if (split) { // apart from the opens above: the log costs time of its own
                const bench::ProtocolLog log;
                std::vector<std::vector<double>> parts;
                for (int i = 0; i < 10; ++i) {
                    const qint64 at = bench::ProtocolLog::now();
                    const Open o =
                        timedOpen(port, http.url(QStringLiteral("/open-%1").arg(++serial)));
                    if (o.ok) parts.push_back(bench::splitOpen(at, bench::ProtocolLog::now()));
                }
                bench::reportSplit("our session", parts);
            }
        }
        // Opens until the list is full, a few spare: a browser that drops
        // pages as they come would take every open there is.
        for (int spare = 10; int(port.pages().size()) < target && spare > 0; --spare) {
            for (int i = int(port.pages().size()); i < target && status == 0; ++i)
                if (!timedOpen(port, http.url(QStringLiteral("/open-%1").arg(++serial))).ok)
                    status = 1;
            if (status != 0) break;
            (void)bench::runUntil(
                QStringLiteral("the browser to list %1 pages").arg(target),
                [&] { return int(port.pages().size()) >= target; }, 10000, 20);
        }
        if (int(port.pages().size()) < target) {
            std::fprintf(stderr, "the browser lists %zu of %d pages\n", port.pages().size(),
                         target);
            status = 1;
            break;
        }
        runFor(1000); // let loading and focus answers settle
        // The call that sends the refresh, then calls answered from the cache.
        QElapsedTimer t;
        const size_t n = port.pages().size();
        std::vector<double> cached;
        for (int i = 0; i < 200; ++i) {
            t.restart();
            port.pages();
            cached.push_back(double(t.nsecsElapsed()) / 1e3);
        }
        // The UI thread's work for one listing, from the call to the last
        // answer: first right after the list changed, then as the capture
        // sees it every 500 ms while nothing on the desktop moves.
        const auto round = [&] {
            runFor(refreshMs + 50);
            const double cpu0 = threadCpuMs();
            port.pages();
            runFor(500);
            return threadCpuMs() - cpu0 - idlePerMs * 500.0;
        };
        const double changed = round();
        std::vector<double> steady;
        for (int i = 0; i < 10; ++i)
            steady.push_back(round());
        std::printf("pages() with %3zu pages: cached call median %6.1f us p95 %6.1f us; UI thread "
                    "CPU per listing: after a change %.2f ms, steady median %.3f ms max %.3f ms\n",
                    n, percentile(cached, 0.5), percentile(cached, 0.95), changed,
                    percentile(steady, 0.5), *std::max_element(steady.begin(), steady.end()));
    }

    bench::endBrowser(pid);
    return status;
}

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    X11WindowSystem desktop;
    LocalHttp http;
    bench::NoShell shell;
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    int status = 0;
    Summary chromium, firefox;
    if (only.isEmpty() || only == u"chromium") {
        std::printf("== Chromium\n");
        QTemporaryDir folder;
        auto port = bench::makeBrowser(folder.path(), desktop, shell, false);
        status |= measure(*port, http, 300, {10, 50, 100}, chromium);
    }
    if (only.isEmpty() || only == u"firefox") {
        std::printf("== Firefox\n");
        QTemporaryDir folder;
        auto port = bench::makeBrowser(folder.path(), desktop, shell, true);
        status |= measure(*port, http, 0, {10, 50}, firefox, true);
        port.reset();
        const bench::ProtocolLog log;
        status |= bench::bareFirefox(http, 10);
    }
    std::printf("side by side, medians of 20 opens: open latency chromium %.1f ms, firefox %.1f "
                "ms; UI thread CPU per open chromium %.3f ms, firefox %.3f ms\n",
                chromium.latencyMs, firefox.latencyMs, chromium.threadMs, firefox.threadMs);
    return status;
}
