// The UI thread and resident memory while a hostile local program on the
// DevTools port answers the first command with one huge text frame, or with
// endless 1 MB fragments of one message. The peer runs in a child process,
// so its own buffers are not counted.
//   bench_hostile_peer [frame|fragments] [megabytes sent, default 1024]

#include "fake_devtools.h"
#include "platform/browser_link/browser_connection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

using namespace kurumin;

namespace {

long statusKiB(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').value(0).toLong();
    return -1;
}

double mb(long kib) {
    return double(kib) / 1024.0;
}

} // namespace

int main(int argc, char** argv) {
    const bool fragments = argc > 1 && std::strcmp(argv[1], "fragments") == 0;
    const quint64 megabytes = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1024;
    int portPipe[2];
    if (pipe(portPipe) != 0) return 1;
    const pid_t peer = fork();
    if (peer < 0) return 1;
    if (peer == 0) {
        // Ends with the benchmark, however that ends.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        close(portPipe[0]);
        QCoreApplication app(argc, argv);
        HostileDevTools hostile(megabytes << 20, fragments ? HostileDevTools::Shape::Fragments
                                                           : HostileDevTools::Shape::OneFrame);
        const quint16 port = quint16(hostile.url().port());
        if (write(portPipe[1], &port, sizeof port) != sizeof port) _exit(1);
        return app.exec();
    }
    // A peer that dies before it names its port closes the pipe's last writer.
    close(portPipe[1]);
    quint16 port = 0;
    if (read(portPipe[0], &port, sizeof port) != sizeof port) {
        std::fprintf(stderr, "bench_hostile_peer: the peer never named its port\n");
        kill(peer, SIGKILL);
        waitpid(peer, nullptr, 0);
        return 1;
    }

    QCoreApplication app(argc, argv);
    // The UI thread's heartbeat: the longest gap between two 1 ms ticks.
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0, longestGap = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    heartbeat.setInterval(1);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (lastTick) longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
    });

    BrowserConnection connection;
    connection.setRequestTimeout(5000);
    bool lost = false;
    QObject::connect(&connection, &BrowserConnection::lost, [&] { lost = true; });
    std::optional<BrowserReply> reply;
    qint64 replyAt = 0;
    const long before = statusKiB("VmRSS:");
    QObject::connect(&connection, &BrowserConnection::opened, [&] {
        connection.send(QStringLiteral("Target.getTargets"), {}, [&](const BrowserReply& r) {
            reply = r;
            replyAt = clock.elapsed();
        });
    });
    heartbeat.start();
    const qint64 start = clock.elapsed();
    connection.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/devtools/browser/x").arg(port)));
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        // A second past the answer, to see what the drop itself costs.
        if ((reply && clock.elapsed() - replyAt > 1000) || clock.elapsed() - start > 120000)
            app.quit();
    });
    poll.start(50);
    app.exec();
    const long after = statusKiB("VmRSS:"), peak = statusKiB("VmHWM:");
    kill(peer, SIGKILL);
    waitpid(peer, nullptr, 0);

    std::printf("hostile peer, %s of %llu MB: ", fragments ? "fragments" : "one frame",
                static_cast<unsigned long long>(megabytes));
    if (!reply)
        std::printf("no end to the command within 120 s\n");
    else
        std::printf("command ended after %lld ms (%s: %s), connection %s\n",
                    static_cast<long long>(replyAt - start), reply->ok() ? "answered" : "failed",
                    qPrintable(reply->detail), lost ? "dropped" : "kept");
    std::printf("  longest UI-thread stall %.1f ms; resident %.1f MB before, peak %.1f MB "
                "(+%.1f), %.1f MB after\n",
                double(longestGap) / 1e6, mb(before), mb(peak), mb(peak - before), mb(after));
    return 0;
}
