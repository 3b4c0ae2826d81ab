// Time from another program taking the clipboard (xclip) to the panel handing
// the copied URL to the browser, with the change notification and with the
// 500 ms watcher tick alone. Run on an X display, e.g.
//   tests/desktop-session.sh build/bin/bench_clipboard_latency
#include "app/kurumin.h"
#include "platform/fake/fakes.h"
#include "platform/qt/qt_desktop.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace kurumin;

namespace {

// Records when each open is asked for; answers at once, as a later event.
class RecordingBrowser : public BrowserPort {
  public:
    void openPage(const QString& url, OpenCallback done) override {
        last = url;
        ++count;
        // Dropped with this browser if the panel's run is over before it fires.
        QTimer::singleShot(0, &context_, [done] { done(OpenResult{}); });
    }
    std::vector<BrowserPage> pages() override { return {}; }
    QString last;
    int count = 0;

  private:
    QObject context_;
};

// The real clipboard, with its change notification switched off.
class TickOnlyClipboard : public ClipboardPort {
  public:
    explicit TickOnlyClipboard(ClipboardPort& real) : real_(real) {}
    bool hasText() override { return real_.hasText(); }
    QString text() override { return real_.text(); }
    void clear() override { real_.clear(); }
    void setText(const QString& t) override { real_.setText(t); }
    void setChangeHandler(std::function<void()>) override {}

  private:
    ClipboardPort& real_;
};

struct Figures {
    double median = 0, p95 = 0, mean = 0;
    int missed = 0;
};

Figures measure(QtDesktop& desk, ClipboardPort& clipboard, const char* tag, int copies) {
    RecordingBrowser browser;
    fake::Profile profile;
    fake::StepWindowHost host;
    fake::AboutWindowHost about;
    Services svc = desk.services(profile, browser, host, about);
    Services with{svc.messageBox, svc.beep,  svc.clock,   svc.windows,     clipboard,
                  svc.fileDialog, svc.shell, svc.program, svc.profile,     svc.textAppend,
                  svc.timers,     svc.loop,  svc.browser, svc.stepWindows, svc.about};
    Kurumin app(with);
    app.load();

    std::vector<double> ms;
    Figures f;
    for (int i = 0; i < copies; ++i) {
        const QString url = QStringLiteral("http://bench.invalid/%1/p%2.html").arg(tag).arg(i);
        const int before = browser.count;
        QElapsedTimer t;
        t.start();
        QProcess::startDetached(
            QStringLiteral("sh"),
            {QStringLiteral("-c"),
             QStringLiteral("printf %s '%1' | xclip -selection clipboard").arg(url)});
        while (browser.count == before && t.elapsed() < 3000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        if (browser.count == before || !browser.last.endsWith(url.mid(7))) {
            ++f.missed;
            continue;
        }
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        // A copy is taken up on a tick, so the gap sets where in the next tick's
        // 500 ms the following copy falls: spread it over the whole period.
        QElapsedTimer gap;
        gap.start();
        while (gap.elapsed() < (i * 211) % 500)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    if (ms.empty()) return f;
    std::sort(ms.begin(), ms.end());
    f.median = ms[ms.size() / 2];
    f.p95 = ms[std::min(ms.size() - 1, (ms.size() * 95) / 100)];
    double sum = 0;
    for (double v : ms)
        sum += v;
    f.mean = sum / static_cast<double>(ms.size());
    return f;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QtDesktop desk;
    const int copies = 50;
    const Figures notified = measure(desk, desk.clipboard, "notify", copies);
    TickOnlyClipboard tickOnly(desk.clipboard);
    const Figures ticked = measure(desk, tickOnly, "tick", copies);
    std::printf("clipboard change -> open request, %d copies each (xclip start-up included)\n",
                copies);
    std::printf(
        "  with change notification: median %.1f ms, p95 %.1f ms, mean %.1f ms, missed %d\n",
        notified.median, notified.p95, notified.mean, notified.missed);
    std::printf(
        "  500 ms tick alone:        median %.1f ms, p95 %.1f ms, mean %.1f ms, missed %d\n",
        ticked.median, ticked.p95, ticked.mean, ticked.missed);
    return 0;
}
