#pragma once
// The browser a panel under measurement started: it outlives the panel by
// design, so the benchmark ends it, by the pid its profile names.

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstdio>

namespace bench {

inline bool alive(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray stat = f.readAll();
    return !stat.mid(stat.lastIndexOf(')') + 1).trimmed().startsWith('Z');
}

// The browser holding `profile`, from the lock it keeps there (host-pid). Its
// command line must name the profile: a lock left by a crash may carry a pid
// that now belongs to someone else.
inline qint64 browserPid(const QString& profile) {
    char link[PATH_MAX];
    const QByteArray lock = QFile::encodeName(profile + QStringLiteral("/SingletonLock"));
    const ssize_t n = ::readlink(lock.constData(), link, sizeof link);
    if (n <= 0) return 0;
    const QByteArray target(link, n);
    char host[HOST_NAME_MAX + 1] = {};
    if (::gethostname(host, sizeof host - 1) != 0) return 0;
    const qsizetype dash = target.lastIndexOf('-');
    if (dash < 0 || target.left(dash) != host) return 0;
    bool ok = false;
    const qint64 pid = target.mid(dash + 1).toLongLong(&ok);
    if (!ok || pid <= 0) return 0;
    QFile f(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    // The browser rewrites its argv into one space-separated string.
    const QByteArray words = ' ' + f.readAll().replace('\0', ' ') + ' ';
    return words.contains(" --user-data-dir=" + QFile::encodeName(profile) + ' ') ? pid : 0;
}

// A wait that runs out names what it waited for.
inline bool waitFor(const char* what, const auto& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() >= ms) {
            std::fprintf(stderr, "bench: gave up after %.1f s waiting for %s\n",
                         double(t.elapsed()) / 1000.0, what);
            return false;
        }
        QThread::msleep(50);
    }
    return true;
}

inline void endBrowser(const QString& profile) {
    if (!QFileInfo(profile).isDir()) return; // never started
    qint64 pid = 0;
    if (!waitFor(
            "the browser's lock", [&] { return (pid = browserPid(profile)) != 0; }, 5000))
        return;
    ::kill(pid_t(pid), SIGTERM);
    if (!waitFor(
            "the browser to end", [&] { return !alive(pid); }, 15000)) {
        ::kill(pid_t(pid), SIGKILL);
        waitFor(
            "the browser to end, killed", [&] { return !alive(pid); }, 5000);
    }
}

} // namespace bench
