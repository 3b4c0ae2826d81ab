// Open latency of the Chromium port and the UI-thread time it costs, and the
// cost of pages() with many windows open. Starts its own browser on a private
// profile; run on a display, e.g.
//   tests/desktop-session.sh build/bin/bench_chromium
#include "platform/chromium/chromium_port.h"

#include "local_http.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace kurumin;

namespace {

class NoShell : public ShellPort {
  public:
    bool open(const QString&, const QString&) override { return false; }
};

double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    const auto i = std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5));
    return v[i];
}

struct Open {
    double latencyMs = -1;
    double insideMs = 0; // in openPage and the callback
    double threadMs = 0; // UI thread CPU from the call to the answer
    bool ok = false;
};

Open timedOpen(BrowserPort& port, const QString& url) {
    Open result;
    bool done = false;
    QElapsedTimer wall;
    const double cpu0 = threadCpuMs();
    wall.start();
    QElapsedTimer inside;
    inside.start();
    port.openPage(url, [&](const OpenResult& r) {
        result.latencyMs = double(wall.nsecsElapsed()) / 1e6;
        QElapsedTimer cb;
        cb.start();
        result.ok = r.ok();
        if (!r.ok()) std::fprintf(stderr, "open failed: %s\n", qPrintable(r.detail));
        done = true;
        result.insideMs += double(cb.nsecsElapsed()) / 1e6;
    });
    result.insideMs += double(inside.nsecsElapsed()) / 1e6;
    if (!QTest::qWaitFor([&] { return done; }, 60000)) std::fprintf(stderr, "open hung\n");
    result.threadMs = threadCpuMs() - cpu0;
    return result;
}

void report(const char* what, const std::vector<double>& v) {
    std::printf("  %-34s median %8.3f  p95 %8.3f  max %8.3f ms\n", what, percentile(v, 0.5),
                percentile(v, 0.95), *std::max_element(v.begin(), v.end()));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    LocalHttp http;
    NoShell shell;
    ChromiumOptions options;
    options.programFolder = folder.path();
    options.requestTimeoutMs = 10000;
    options.startTimeoutMs = 30000;
    ChromiumBrowser port(options, shell);

    int serial = 0;
    const Open cold = timedOpen(port, http.url(QStringLiteral("/cold")));
    const qint64 pid = port.startedProcess();
    std::printf("cold open (starts the browser): %.1f ms, ok=%d\n", cold.latencyMs, cold.ok);
    if (!cold.ok) return 1;

    for (int target : {10, 50, 100}) {
        if (target == 50) {
            // The open sample runs with 10 to 30 windows open.
            std::vector<double> latency, inside, thread;
            for (int i = 0; i < 20; ++i) {
                const Open o = timedOpen(port, http.url(QStringLiteral("/open-%1").arg(++serial)));
                latency.push_back(o.latencyMs);
                inside.push_back(o.insideMs);
                thread.push_back(o.threadMs);
            }
            std::printf("20 opens, browser running:\n");
            report("open latency", latency);
            report("in openPage + callback", inside);
            report("UI thread CPU per open", thread);
        }
        while (int(port.pages().size()) < target) {
            if (!timedOpen(port, http.url(QStringLiteral("/open-%1").arg(++serial))).ok) break;
        }
        (void)QTest::qWaitFor([&] { return int(port.pages().size()) >= target; }, 10000);
        QTest::qWait(1000); // let loading and focus answers settle
        // The call that sends the refresh, then calls answered from the cache.
        QElapsedTimer t;
        t.start();
        const size_t n = port.pages().size();
        const double refreshUs = double(t.nsecsElapsed()) / 1e3;
        std::vector<double> cached;
        for (int i = 0; i < 200; ++i) {
            t.restart();
            port.pages();
            cached.push_back(double(t.nsecsElapsed()) / 1e3);
        }
        // How long until every page's focus answer is back.
        const double cpu0 = threadCpuMs();
        QElapsedTimer settle;
        settle.start();
        QTest::qWait(options.focusRefreshMs + 50);
        port.pages();
        QTest::qWait(1000);
        std::printf("pages() with %3zu pages: refreshing call %8.1f us, cached call median %6.1f "
                    "us p95 %6.1f us; UI thread CPU for one refresh round %.2f ms\n",
                    n, refreshUs, percentile(cached, 0.5), percentile(cached, 0.95),
                    threadCpuMs() - cpu0);
    }

    if (pid > 0) {
        ::kill(pid_t(pid), SIGTERM);
        if (!QTest::qWaitFor([&] { return ::kill(pid_t(pid), 0) != 0; }, 15000))
            ::kill(pid_t(pid), SIGKILL);
    }
    return 0;
}
