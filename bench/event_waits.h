#pragma once
// Waits that sleep in the event loop, so that the browser's and the local
// site's answers come in meanwhile, and the percentile the figures print.

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstddef>
#include <functional>
#include <vector>

namespace kurumin::bench {

inline void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

inline bool runUntil(const std::function<bool()>& done, int timeoutMs, int pollMs = 50) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() >= timeoutMs) return false;
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
