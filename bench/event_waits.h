#pragma once
// Waits that sleep in the event loop, so that the browser's and the local
// site's answers come in meanwhile, and the percentile the figures print.

#include <QElapsedTimer>
#include <QEventLoop>
#include <QString>
#include <QTimer>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <vector>

namespace kurumin::bench {

inline void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A wait that runs out names what it waited for: a stuck run says where.
inline void gaveUp(const QString& what, qint64 ms) {
    std::fprintf(stderr, "bench: gave up after %.1f s waiting for %s\n", double(ms) / 1000.0,
                 qPrintable(what));
}

inline bool runUntil(const QString& what, const std::function<bool()>& done, int timeoutMs,
                     int pollMs = 50) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() >= timeoutMs) {
            gaveUp(what, t.elapsed());
            return false;
        }
        runFor(pollMs);
    }
    return true;
}

inline double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(p * double(v.size() - 1) + 0.5))];
}

} // namespace kurumin::bench
