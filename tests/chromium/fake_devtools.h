#pragma once
// A scripted stand-in for the browser's DevTools endpoint on loopback.

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QUrl>
#include <QWebSocket>
#include <QWebSocketServer>

#include <functional>
#include <memory>
#include <vector>

class FakeDevTools {
  public:
    FakeDevTools() : server_(QStringLiteral("fake"), QWebSocketServer::NonSecureMode) {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QWebSocketServer::newConnection, [this] {
            while (QWebSocket* s = server_.nextPendingConnection()) {
                client_.reset(s);
                QObject::connect(s, &QWebSocket::textMessageReceived, [this](const QString& t) {
                    const QJsonObject m = QJsonDocument::fromJson(t.toUtf8()).object();
                    received.push_back(m);
                    if (onMessage) onMessage(m);
                });
            }
        });
    }
    ~FakeDevTools() {
        if (client_) client_->disconnect();
    }

    quint16 port() const { return server_.serverPort(); }
    QUrl url() const {
        return QUrl(QStringLiteral("ws://127.0.0.1:%1/devtools/browser/x").arg(port()));
    }

    void sendRaw(const QString& text) { client_->sendTextMessage(text); }
    void send(const QJsonObject& m) {
        sendRaw(QString::fromUtf8(QJsonDocument(m).toJson(QJsonDocument::Compact)));
    }
    void reply(const QJsonObject& request, const QJsonObject& result) {
        send({{"id", request.value("id")}, {"result", result}});
    }
    void replyError(const QJsonObject& request, const QString& message) {
        send({{"id", request.value("id")},
              {"error", QJsonObject{{"code", -32000}, {"message", message}}}});
    }
    void event(const QString& method, const QJsonObject& params) {
        send({{"method", method}, {"params", params}});
    }
    void drop() {
        if (client_) client_->abort();
    }
    std::vector<QJsonObject> withMethod(const QString& method) const {
        std::vector<QJsonObject> out;
        for (const auto& m : received)
            if (m.value("method").toString() == method) out.push_back(m);
        return out;
    }

    std::vector<QJsonObject> received;
    std::function<void(const QJsonObject&)> onMessage;

  private:
    QWebSocketServer server_;
    std::unique_ptr<QWebSocket> client_;
};

// Waits for what the event loop should bring about shortly.
template <typename Condition> bool soon(Condition c) {
    return QTest::qWaitFor(c, 3000);
}
template <typename... Outcome> bool settled(const Outcome&... o) {
    return soon([&] { return (o->result.has_value() && ...); });
}
