// Time from another program taking the clipboard to the panel handing the
// copied URL to the browser: Qt's waiting read (before) against the panel's
// own connection (now), each with a long-lived owner, whose figure holds no
// process start-up, and with an xclip started per copy. Run on an X display:
//   tests/desktop-session.sh build/bin/bench_clipboard_latency
#include "app/kurumin.h"
#include "platform/fake/fakes.h"
#include "platform/qt/qt_desktop.h"

#include "../event_waits.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <vector>

using namespace kurumin;
using kurumin::bench::percentile;

namespace {

// Records when each open is asked for; answers at once, as a later event.
class RecordingBrowser : public BrowserPort {
  public:
    void openPage(const QString& url, OpenCallback done) override {
        last = url;
        ++count;
        if (opened) opened();
        // Dropped with this browser if the panel's run is over before it fires.
        QTimer::singleShot(0, &context_, [done] { done(OpenResult{}); });
    }
    std::vector<BrowserPage> pages() override { return {}; }
    QString last;
    int count = 0;
    std::function<void()> opened;

  private:
    QObject context_;
};

enum class Owner { LongLived, XclipPerCopy };

struct Figures {
    std::vector<double> ms;
    int missed = 0;
};

Figures measure(QtClipboard::Read read, Owner owner, const char* tag, int copies) {
    QtDesktop desk(read);
    RecordingBrowser browser;
    fake::Profile profile;
    fake::StepWindowFactory stepWindows;
    fake::AboutWindowHost about;
    Services svc = desk.services(profile, browser);
    Kurumin app(svc, {stepWindows, about});
    app.load();
    // A text already on the clipboard is taken up at the start: let it be.
    bench::runFor(300);

    QProcess holder;
    if (owner == Owner::LongLived) {
        holder.start(QStringLiteral(CLIPBOARD_OWNER), {});
        if (!holder.waitForReadyRead(5000)) {
            bench::gaveUp(QStringLiteral("the clipboard owner to start"), 5000);
            return {{}, copies};
        }
    }
    Figures f;
    for (int i = 0; i < copies; ++i) {
        const QString url = QStringLiteral("http://bench.invalid/%1/p%2.html").arg(tag).arg(i);
        const int before = browser.count;
        QElapsedTimer t;
        t.start();
        if (owner == Owner::LongLived) {
            holder.write((url + u'\n').toUtf8());
        } else {
            QProcess::startDetached(
                QStringLiteral("sh"),
                {QStringLiteral("-c"),
                 QStringLiteral("printf %s '%1' | xclip -selection clipboard").arg(url)});
        }
        // Asleep until the open: a thread spinning on the events would take a
        // core from the X server and the owner, and time its own time slices.
        QEventLoop wait;
        browser.opened = [&wait] { wait.quit(); };
        QTimer::singleShot(3000, &wait, &QEventLoop::quit);
        if (browser.count == before) wait.exec();
        browser.opened = nullptr;
        if (browser.count == before || !browser.last.endsWith(url.mid(7)))
            ++f.missed;
        else
            f.ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        // Spread the copies over the watcher's 500 ms tick.
        bench::runFor((i * 211) % 500);
    }
    holder.kill();
    holder.waitForFinished(5000);
    return f;
}

void report(const char* what, const Figures& f) {
    std::printf("  %-34s median %6.2f  p95 %6.2f ms  missed %d\n", what, percentile(f.ms, 0.5),
                percentile(f.ms, 0.95), f.missed);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int copies = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    using R = QtClipboard::Read;
    if (argc > 2) { // one variant alone, to trace it
        const R read = argv[2][0] == 'q' ? R::QtWaiting : R::OwnConnection;
        report(argv[2], measure(read, Owner::LongLived, "one", copies));
        return 0;
    }
    std::printf("clipboard change -> open request, %d copies each (goal: 5 ms median)\n", copies);
    report("long-lived owner, Qt's read", measure(R::QtWaiting, Owner::LongLived, "lq", copies));
    report("long-lived owner, own connection",
           measure(R::OwnConnection, Owner::LongLived, "lo", copies));
    report("xclip per copy, Qt's read", measure(R::QtWaiting, Owner::XclipPerCopy, "xq", copies));
    report("xclip per copy, own connection",
           measure(R::OwnConnection, Owner::XclipPerCopy, "xo", copies));
    return 0;
}
