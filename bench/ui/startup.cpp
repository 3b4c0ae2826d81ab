// Start-up time (process start to the panel mapped on screen) and resident
// memory of the real binary. Run on a display: tests/desktop-session.sh.
//   bench_startup path/to/kurumin [runs] [keep list] [seconds to wait]
// The keep list beside the program: none, 50 (entries), 1000 (entries and
// 1 MB of other lines) or 10mb (50 entries, a Count of 2000000000 and 10 MB
// of other lines).

#include "browser_process.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto* r = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(r);
    return a;
}

// A viewable top-level window whose title is exactly `title`.
bool mapped(xcb_connection_t* c, xcb_atom_t nameAtom, const QByteArray& title) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
    if (!tree) return false;
    bool found = false;
    std::vector<xcb_window_t> todo;
    const xcb_window_t* kids = xcb_query_tree_children(tree);
    for (int k = 0; k < xcb_query_tree_children_length(tree); ++k)
        todo.push_back(kids[k]);
    std::free(tree);
    // The window manager reparents: look one level down as well.
    for (std::size_t i = 0; i < todo.size() && !found; ++i) {
        auto* attr =
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, todo[i]), nullptr);
        const bool viewable = attr && attr->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(attr);
        if (!viewable) continue;
        auto* p = xcb_get_property_reply(
            c, xcb_get_property(c, 0, todo[i], nameAtom, XCB_GET_PROPERTY_TYPE_ANY, 0, 64),
            nullptr);
        if (p) {
            const QByteArray v(static_cast<const char*>(xcb_get_property_value(p)),
                               xcb_get_property_value_length(p));
            found = v == title;
            std::free(p);
        }
        if (found || todo.size() > 4096) break;
        auto* sub = xcb_query_tree_reply(c, xcb_query_tree(c, todo[i]), nullptr);
        if (sub) {
            const xcb_window_t* s = xcb_query_tree_children(sub);
            for (int k = 0; k < xcb_query_tree_children_length(sub); ++k)
                todo.push_back(s[k]);
            std::free(sub);
        }
    }
    return found;
}

long rssKiB(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Other lines of a hand-kept file, in sections of their own.
QByteArray otherLines(qint64 bytes) {
    QByteArray out;
    for (int i = 0; out.size() < bytes; ++i) {
        if (i % 1000 == 0) out += "[Notes" + QByteArray::number(i / 1000) + "]\r\n";
        out += "note" + QByteArray::number(i) + "=" + QByteArray(80, 'x') + "\r\n";
    }
    return out;
}

bool writeKeepList(const QString& path, const QByteArray& kind) {
    int entries = 0;
    QByteArray count, other;
    if (kind == "50") {
        entries = 50;
    } else if (kind == "1000") {
        entries = 1000;
        other = otherLines(1 << 20);
    } else if (kind == "10mb") {
        entries = 50;
        count = "2000000000";
        other = otherLines(10 << 20);
    } else {
        return kind == "none";
    }
    QByteArray text =
        "[KeepCount]\r\nCount=" + (count.isEmpty() ? QByteArray::number(entries) : count) + "\r\n" +
        other + "[KeepURL]\r\n";
    for (int i = 0; i < entries; ++i) {
        const QByteArray k = QByteArray::number(i);
        text += "Name" + k + "=page " + k + "\r\nURL" + k + "=http://example.com/gallery/" + k +
                "/img[001-120].jpg\r\n";
    }
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s path/to/kurumin [runs] [none|50|1000|10mb] [seconds]\n",
                     argv[0]);
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 10;
    const QByteArray keepList = argc > 3 ? QByteArray(argv[3]) : QByteArray("none");
    const qint64 waitMs = argc > 4 ? std::atoll(argv[4]) * 1000 : 10000;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    const xcb_atom_t nameAtom = atom(c, "_NET_WM_NAME");
    QTemporaryDir home;
    const QString binary = home.filePath(QStringLiteral("kurumin"));
    if (!QFile::copy(QString::fromLocal8Bit(argv[1]), binary)) {
        std::fprintf(stderr, "cannot copy %s\n", argv[1]);
        return 1;
    }
    if (!writeKeepList(home.filePath(QStringLiteral("URL.ini")), keepList)) {
        std::fprintf(stderr, "cannot write the keep list %s\n", keepList.constData());
        return 1;
    }
    QThread::msleep(200); // a file of an earlier session, not one still being written

    std::vector<double> startMs;
    std::vector<long> rss;
    for (int i = 0; i < runs; ++i) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer t;
        t.start();
        p.start(binary, {});
        if (!p.waitForStarted(10000)) {
            std::fprintf(stderr, "run %d: %s did not start\n", i + 1, qPrintable(binary));
            return 1;
        }
        // Polled every 2 ms: often enough to see it, seldom enough not to slow it.
        bool shown = false;
        while (!(shown = mapped(c, nameAtom, "Kurumin")) && t.elapsed() < waitMs)
            QThread::usleep(2000);
        if (!shown) {
            std::fprintf(stderr, "run %d: the panel never appeared\n", i + 1);
            p.kill();
            p.waitForFinished(5000);
            continue;
        }
        startMs.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        QThread::msleep(1500); // settled: timers running, browser looked for
        rss.push_back(rssKiB(p.processId()));
        p.terminate();
        if (!p.waitForFinished(5000))
            std::fprintf(stderr, "run %d: the panel did not end in 5 s\n", i + 1);
    }
    // The browser a run may have started is the benchmark's, not the user's.
    // The panel names its profile by its own resolved folder.
    bench::endBrowser(QDir(home.path()).canonicalPath() + QStringLiteral("/browser-profile"));
    if (startMs.empty()) return 1;
    std::sort(startMs.begin(), startMs.end());
    std::sort(rss.begin(), rss.end());
    std::printf("start-up to panel mapped, keep list %s, %zu of %d runs: median %.1f ms, "
                "max %.1f ms\n",
                keepList.constData(), startMs.size(), runs, startMs[startMs.size() / 2],
                startMs.back());
    std::printf("resident memory after 1.5 s: median %.1f MB, max %.1f MB\n",
                static_cast<double>(rss[rss.size() / 2]) / 1024.0,
                static_cast<double>(rss.back()) / 1024.0);
    xcb_disconnect(c);
    return 0;
}
