#pragma once
// What the fuzzers of browser messages share: a local WebSocket endpoint that
// only listens and notes the ids of the commands it is sent, and a way to let
// the event loop run what a frame set going.

#include "platform/browser_link/browser_connection.h"

#include "fuzz_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWebSocket>
#include <QWebSocketServer>

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
