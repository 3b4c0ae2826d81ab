#pragma once
// The one driver of the browser protocols' fuzzers: every message the
// browser can send, in any order, into the protocol's opening steps and its
// page feed sharing one connection: never a crash, and every open asked for
// ends exactly once, never from inside the ask.
//
// One connection to a local endpoint lives across runs (a handshake a run
// would cost more than the run); the endpoint only listens and notes the ids
// of what it is sent, and the frames go in as the socket would hand them on.
// A Peer gives the protocol, its well-formed frames (the driver mangles some),
// a window title its browser would show, the refusal of a command, and a
// step of its own.

#include "platform/browser_link/browser_connection.h"
#include "platform/browser_link/browser_session.h"
#include "platform/browser_link/followed_pages.h"
#include "platform/fake/fakes.h"

#include "fuzz_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWebSocket>
#include <QWebSocketServer>

#include <fuzzer/FuzzedDataProvider.h>

#include <memory>
#include <vector>

struct LocalEndpoint {
    QWebSocketServer server{QStringLiteral("fuzz"), QWebSocketServer::NonSecureMode};
    std::unique_ptr<QWebSocket> client;
    std::vector<double> ids; // of every command received, in order

    LocalEndpoint() {
        check(server.listen(QHostAddress::LocalHost, 0), "cannot listen");
        QObject::connect(&server, &QWebSocketServer::newConnection, [this] {
            while (QWebSocket* s = server.nextPendingConnection()) {
                if (client) client.release()->deleteLater();
                client.reset(s);
                QObject::connect(s, &QWebSocket::textMessageReceived, [this](const QString& t) {
                    ids.push_back(QJsonDocument::fromJson(t.toUtf8())
                                      .object()
                                      .value(QStringLiteral("id"))
                                      .toDouble());
                });
            }
        });
    }
    QUrl url(const QString& path) const {
        return QUrl(QStringLiteral("ws://127.0.0.1:%1%2").arg(server.serverPort()).arg(path));
    }
};

// Lets queued calls, socket traffic and a handshake under way run.
inline void settle(kurumin::BrowserConnection& connection) {
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents();
    QElapsedTimer waited;
    waited.start();
    while (!connection.isOpen() && !connection.isIdle() && waited.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents();
    // Outside exec() nothing else deletes what deleteLater() left, fired timers among it.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The connection open to the endpoint, as it lives across runs.
inline void keepOpen(kurumin::BrowserConnection& connection, const LocalEndpoint& endpoint,
                     const QString& path) {
    if (connection.isOpen()) return;
    connection.close();
    connection.open(endpoint.url(path));
    settle(connection);
    check(connection.isOpen(), "cannot reach the local endpoint");
}

// One of few names, so that frames meet what earlier frames made; now and then any text.
inline QString fewNames(FuzzedDataProvider& in, char prefix) {
    return in.ConsumeIntegralInRange(0, 15) == 0
               ? textFrom(in, 12)
               : QString(QChar(prefix)) + QString::number(in.ConsumeIntegralInRange(0, 3));
}

// Now and then anything in the place of the usual value.
inline QJsonValue anyOf(FuzzedDataProvider& in, const QJsonValue& usual) {
    switch (in.ConsumeIntegralInRange(0, 11)) {
    case 0:
        return QJsonValue::Null;
    case 1:
        return in.ConsumeIntegral<int>();
    case 2:
        return textFrom(in, 12);
    case 3:
        return in.ConsumeFloatingPoint<double>();
    default:
        return usual;
    }
}

// The id of a command sent, or one near it, as a reply gives it.
inline QJsonValue replyId(FuzzedDataProvider& in, const std::vector<double>& sent) {
    const double id = sent.empty() ? double(in.ConsumeIntegral<uint8_t>())
                                   : sent[in.ConsumeIntegralInRange<size_t>(0, sent.size() - 1)];
    return anyOf(in, in.ConsumeIntegralInRange(0, 7) ? id
                                                     : id + in.ConsumeIntegralInRange(-2, 2) + 0.5);
}

template <typename Peer> int fuzzBrowser(const uint8_t* data, size_t size) {
    using namespace kurumin;
    static int argc = 1;
    static char name[] = "fuzz_browser";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static LocalEndpoint endpoint;
    static BrowserConnection connection;
    static Peer peer;
    static bool once = [] {
        connection.setRequestTimeout(100);
        return true;
    }();
    (void)once;
    keepOpen(connection, endpoint, Peer::socketPath());
    endpoint.ids.clear();

    FuzzedDataProvider in(data, size);
    fake::WindowSystem windows;
    std::unique_ptr<BrowserProtocol> protocol = peer.protocol(connection);
    auto pages =
        std::make_unique<FollowedPages>(in.ConsumeBool() ? &windows : nullptr, protocol->naming());
    pages->setBrowserProcess(7);
    std::unique_ptr<PageFeed> feed = protocol->feed(connection, *pages);
    feed->start();

    std::vector<int> ended; // per open asked for
    bool asking = false;
    for (int step = 0; step < 48 && in.remaining_bytes() > 0; ++step) {
        switch (in.ConsumeIntegralInRange(0, 15)) {
        case 0:
        case 1: {
            const std::size_t n = ended.size();
            ended.push_back(0);
            peer.beforeOpen(in, *protocol);
            asking = true;
            protocol->open(connection, QStringLiteral("http://site/p%1.html").arg(n),
                           [&ended, &asking, n, &pages](const OpenResult& r, const QString& id) {
                               check(!asking, "an open answered from inside the ask");
                               ++ended[n];
                               if (r.ok()) pages->addOpened(id, QStringLiteral("http://site/"));
                           });
            asking = false;
            break;
        }
        case 2:
            pages->refresh();
            feed->refresh();
            break;
        case 3:
            pages->pages();
            pages->frontPage();
            break;
        case 4:
            windows.foreground = in.ConsumeIntegralInRange<WindowHandle>(0, 2);
            windows.titles[windows.foreground] =
                in.ConsumeBool() ? Peer::windowTitle()
                                 : QByteArray::fromStdString(in.ConsumeRandomLengthString(20));
            windows.processes[windows.foreground] = in.ConsumeIntegralInRange(0, 8);
            windows.bringToFront(windows.foreground);
            break;
        case 5:
            settle(connection);
            break;
        case 6:
            if (in.ConsumeIntegralInRange(0, 7) == 0) connection.close(); // lost
            break;
        case 7:
            peer.step(in, endpoint);
            break;
        default: {
            QString text = QString::fromUtf8(
                QJsonDocument(peer.frame(in, endpoint.ids)).toJson(QJsonDocument::Compact));
            if (const int shape = in.ConsumeIntegralInRange(0, 7); shape == 0) {
                text = textFrom(in, 300); // anything at all
            } else if (shape == 1) {      // a well-formed frame cut short or with bytes spliced in
                text.insert(in.ConsumeIntegralInRange<qsizetype>(0, text.size()), textFrom(in, 8));
                text = text.left(in.ConsumeIntegralInRange<qsizetype>(0, text.size()));
            }
            connection.handleMessage(text);
            break;
        }
        }
    }

    // Whatever is still pending is refused, once; the deadline settles the rest.
    const auto allEnded = [&] {
        for (int e : ended)
            if (e == 0) return false;
        return true;
    };
    QElapsedTimer waited;
    waited.start();
    do {
        settle(connection);
        for (double id : std::vector<double>(endpoint.ids))
            connection.handleMessage(Peer::refusal(qint64(id)));
        settle(connection);
    } while (!allEnded() && waited.elapsed() < 3000);
    for (int e : ended)
        check(e == 1, e == 0 ? "an open never ended" : "an open ended twice");
    feed.reset();
    pages.reset();
    protocol.reset();
    return 0;
}
