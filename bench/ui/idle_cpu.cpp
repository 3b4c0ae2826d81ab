// The whole panel's CPU while idle, as a share of one core: the real binary,
// copied into a folder of its own: with no page open, with 10 MB of text on
// the clipboard, then with pages open in its browser, each opened as a user
// does it, by copying its address, and with a hostile page in front. Beside
// it, the CPU each copied and opened page cost, less the idle panel's.
// Another program always holds the clipboard. BROWSER=firefox-esr measures
// the panel on Firefox. Run on a display:
//   tests/desktop-session.sh build/bin/bench_idle path/to/kurumin [seconds] [pages]
#include "../event_waits.h"
#include "../local_http.h"
#include "browser_process.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

using kurumin::bench::percentile;
using kurumin::bench::runFor;
using kurumin::bench::runUntil;

namespace {

bool windowShown(const QString& titlePattern) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                        QStringLiteral("--name"), titlePattern});
    return p.waitForFinished(5000) && !p.readAllStandardOutput().trimmed().isEmpty();
}

// Each copy is held by an xclip of its own, as another program would hold it.
class Clipboard {
  public:
    ~Clipboard() {
        if (!holder_) return;
        holder_->kill();
        holder_->waitForFinished(5000);
    }
    bool copy(const QString& text) {
        auto p = std::make_unique<QProcess>();
        p->setStandardOutputFile(QProcess::nullDevice());
        p->setStandardErrorFile(QProcess::nullDevice());
        p->start(QStringLiteral("xclip"), {QStringLiteral("-quiet"), QStringLiteral("-selection"),
                                           QStringLiteral("clipboard")});
        if (!p->waitForStarted(5000)) {
            std::fprintf(stderr, "xclip did not start\n");
            return false;
        }
        p->write(text.toUtf8());
        p->closeWriteChannel();
        std::swap(holder_, p);
        // The one before leaves once the new one owns the clipboard.
        return !p || runUntil(
                         "the clipboard's last holder to leave",
                         [&] { return p->state() == QProcess::NotRunning; }, 5000, 100);
    }

  private:
    std::unique_ptr<QProcess> holder_;
};

// utime + stime in clock ticks, of one /proc/<pid>[/task/<tid>]/stat.
qint64 cpuTicks(const QString& statPath) {
    QFile f(statPath);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray stat = f.readAll();
    // The name in parentheses may hold spaces; the fields after it do not.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields[11].toLongLong() + fields[12].toLongLong() : -1;
}

// The UI thread's context switches: how often it woke.
qint64 switches(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    qint64 n = 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("voluntary_ctxt_switches:") ||
            line.startsWith("nonvoluntary_ctxt_switches:"))
            n += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
    return n;
}

struct Idle {
    double all = -1, ui = -1, wakeupsPerS = -1;
};

Idle idle(qint64 pid, int seconds) {
    const QString proc = QStringLiteral("/proc/%1/stat").arg(pid);
    const QString main = QStringLiteral("/proc/%1/task/%1/stat").arg(pid);
    const qint64 all0 = cpuTicks(proc), ui0 = cpuTicks(main), sw0 = switches(pid);
    QElapsedTimer t;
    t.start();
    runFor(seconds * 1000);
    const qint64 all1 = cpuTicks(proc), ui1 = cpuTicks(main), sw1 = switches(pid);
    const double s = double(t.elapsed()) / 1000.0;
    if (all0 < 0 || all1 < 0) return {}; // the panel is gone
    const double hz = double(::sysconf(_SC_CLK_TCK));
    return {double(all1 - all0) / hz / s * 100.0, double(ui1 - ui0) / hz / s * 100.0,
            double(sw1 - sw0) / s};
}

void report(const QString& what, const Idle& i) {
    std::printf("  %-11s %.2f %%  (UI thread %.2f %%, UI thread woke %.1f times/s)\n",
                qPrintable(what + u':'), i.all, i.ui, i.wakeupsPerS);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s path/to/kurumin [seconds] [pages]\n", argv[0]);
        return 2;
    }
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;
    const int pages = argc > 3 ? std::max(1, std::atoi(argv[3])) : 50;
    QTemporaryDir home;
    const QString binary = home.filePath(QStringLiteral("kurumin"));
    if (!QFile::copy(QString::fromLocal8Bit(argv[1]), binary) ||
        !QDir(home.path()).mkdir(QStringLiteral("REC"))) {
        std::fprintf(stderr, "cannot set up %s\n", qPrintable(home.path()));
        return 1;
    }
    LocalHttp site;
    Clipboard clipboard;

    QProcess panel;
    panel.setWorkingDirectory(home.path());
    panel.setStandardOutputFile(QProcess::nullDevice());
    panel.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    panel.start(binary, {});
    int status = 0;
    if (!panel.waitForStarted(10000) ||
        !runUntil(
            "the panel's window", [] { return windowShown(QStringLiteral("^Kurumin$")); }, 20000,
            100)) {
        std::fprintf(stderr, "the panel never appeared\n");
        status = 1;
    }
    const qint64 pid = panel.processId();
    Idle none, big, open, hostile;
    int opened = 0;
    double perPageMs = -1;
    if (status == 0) {
        // Not an address: the panel takes it up and opens nothing.
        clipboard.copy(QStringLiteral("kurumin idle benchmark"));
        runFor(3000);
        none = idle(pid, seconds);
        // Megabytes held by another program, no address: read once, then nothing.
        clipboard.copy(QString(10 * 1024 * 1024, u'x'));
        runFor(10000); // it comes over in pieces, then is taken up once
        big = idle(pid, seconds);
        const qint64 before = cpuTicks(QStringLiteral("/proc/%1/stat").arg(pid));
        QElapsedTimer copying;
        copying.start();
        for (int i = 1; i <= pages; ++i) {
            const QString path = QStringLiteral("/idle-%1").arg(i);
            if (clipboard.copy(site.url(path)) &&
                runUntil(
                    QStringLiteral("the window of ") + path,
                    [&] { return windowShown(QStringLiteral("^Page %1 ").arg(path)); }, 30000, 100))
                ++opened;
            else
                std::fprintf(stderr, "%s never opened\n", qPrintable(path));
        }
        const double spentMs = double(cpuTicks(QStringLiteral("/proc/%1/stat").arg(pid)) - before) *
                               1000.0 / double(::sysconf(_SC_CLK_TCK));
        perPageMs = (spentMs - none.all / 100.0 * double(copying.elapsed())) / std::max(opened, 1);
        runFor(5000); // the last loads and the page list settle
        open = idle(pid, seconds);
        const QString path = QStringLiteral("/hostile");
        if (clipboard.copy(site.url(path)) &&
            runUntil(
                QStringLiteral("the window of ") + path,
                [&] { return windowShown(QStringLiteral("^Page %1 ").arg(path)); }, 30000, 100)) {
            runFor(2000); // the page is at it by now
            hostile = idle(pid, seconds);
        }
        if (none.all < 0 || big.all < 0 || open.all < 0 || hostile.all < 0 || opened < pages)
            status = 1;
    }
    std::printf("panel idle CPU over %d s, utime+stime as %% of one core (goal: at most 0.5 %%):\n",
                seconds);
    report("no page", none);
    report("10 MB held", big);
    report(QString::asprintf("%d pages", opened), open);
    report("hostile page", hostile);
    std::printf("CPU per copied and opened page, all threads, less idle: %.2f ms\n", perPageMs);

    panel.terminate();
    if (!panel.waitForFinished(10000)) {
        std::fprintf(stderr, "the panel did not end in 10 s\n");
        panel.kill();
        panel.waitForFinished(5000);
    }
    // The panel names its profile by its own resolved folder.
    for (const char* profile : {"/browser-profile", "/firefox-profile"})
        bench::endBrowser(QDir(home.path()).canonicalPath() + QLatin1String(profile));
    return status;
}
