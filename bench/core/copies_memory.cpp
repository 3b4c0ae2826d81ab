// Resident memory over 10^5 copied URLs with AUTO off: the panel over the
// doubles, each copy a new address taken up by the watcher.
#include "app/kurumin.h"
#include "platform/fake/fakes.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

long residentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    using namespace kurumin;
    const int copies = argc > 1 ? std::atoi(argv[1]) : 100000;
    fake::Desktop d;
    fake::Window window;
    Kurumin app(d.services, d.ownWindows);
    app.panel.attachWindow(&window);
    app.load();
    app.panel.click(Ctl::lblAuto); // AUTO off
    const auto copy = [&](int i) {
        d.clipboard.copyFromElsewhere(
            QStringLiteral("http://example.com/gallery/%1/page-%2.jpg").arg(i % 97).arg(i));
        d.loop.runPending();
    };
    for (int i = 0; i < 1000; ++i) // let allocators reach their working size
        copy(i);
    const long before = residentKb();
    for (int i = 0; i < copies; ++i)
        copy(1000 + i);
    const long after = residentKb();
    std::printf("%d copies with AUTO off: resident %ld kB -> %ld kB (%+ld kB); opens asked %zu\n",
                copies, before, after, after - before, d.browser.requested.size());
    return 0;
}
