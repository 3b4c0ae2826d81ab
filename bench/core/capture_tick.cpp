// The UI thread's cost of one capture tick (timGETURL) and one Timer3 tick,
// with 10, 50 and 100 open pages in the browser port's cached list, on the
// real X server's window properties. The browser's own refresh runs apart
// from the tick; bench_chromium measures it.

#include "app/kurumin.h"
#include "capture/page_capture.h"
#include "platform/fake/fakes.h"
#include "platform/qt/qt_services.h"

#include <QElapsedTimer>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace kurumin;

namespace {

struct Figures {
    double median;
    double p95;
};

template <typename Tick> Figures measure(Tick tick, int runs) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        tick();
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() * 95 / 100]};
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    fake::Desktop d;
    X11WindowSystem x11; // a real round trip to the X server, as the panel makes
    Services svc = d.services;
    Services with{svc.messageBox, svc.beep,       svc.clock,  x11,
                  svc.clipboard,  svc.fileDialog, svc.shell,  svc.program,
                  svc.profile,    svc.textAppend, svc.timers, svc.loop,
                  svc.browser,    svc.stepWindows};
    Kurumin k(with);
    fake::Window window;
    k.panel.attachWindow(&window);
    k.load();
    for (const int n : {10, 50, 100}) {
        d.browser.open.clear();
        for (int i = 0; i < n; ++i)
            d.browser.open.push_back({0, QStringLiteral("http://bench.invalid/p%1.html").arg(i),
                                      QStringLiteral("Page %1").arg(i), i == n / 2});
        const Figures capture = measure([&] { captureTick(k.panel); }, 2000);
        const Figures front = measure([&] { foregroundTick(k.panel); }, 2000);
        std::printf("%3d pages: capture tick median %.4f ms p95 %.4f ms; Timer3 tick median %.4f "
                    "ms p95 %.4f ms\n",
                    n, capture.median, capture.p95, front.median, front.p95);
    }
    return 0;
}
