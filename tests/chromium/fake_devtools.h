#pragma once
// A scripted stand-in for the browser's DevTools endpoint on loopback.

#include <QJsonArray>
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

inline QJsonObject pageInfo(const QString& id, const QString& url, const QString& title = {},
                            const QString& type = "page") {
    return {{"targetId", id}, {"type", type}, {"url", url}, {"title", title}};
}

// The fake as a browser with pages, each listed titled after its host. Created
// pages are announced unless `announce` is off; fail.example is refused and
// hang.example never answered. With `focused`, each page session answers
// whether its page has focus.
class FakeBrowser : public FakeDevTools {
  public:
    FakeBrowser() {
        onMessage = [this](const QJsonObject& m) { answer(m); };
    }
    QString addPage(const QString& url) {
        const QString id = QString("T%1").arg(++created_);
        infos.append(pageInfo(id, url, QUrl(url).host()));
        if (announce) event("Target.targetCreated", {{"targetInfo", pageInfo(id, url)}});
        return id;
    }

    QJsonArray infos; // the browser's own listing
    std::function<bool(QString)> focused;
    bool announce = true;

  private:
    void answer(const QJsonObject& m) {
        const QString method = m.value("method").toString();
        const QString url = m["params"]["url"].toString();
        if (method == "Target.createTarget" && QUrl(url).host() == "fail.example") {
            replyError(m, "Failed to open new tab");
        } else if (method == "Target.createTarget" && QUrl(url).host() != "hang.example") {
            reply(m, {{"targetId", addPage(url)}});
        } else if (method == "Target.getTargets") {
            reply(m, {{"targetInfos", infos}});
        } else if (method == "Target.setDiscoverTargets") {
            reply(m, {});
            for (const auto& info : infos)
                event("Target.targetCreated", {{"targetInfo", info}});
        } else if (focused && method == "Target.attachToTarget" &&
                   m["params"]["flatten"].toBool()) {
            reply(m, {{"sessionId", "S-" + m["params"]["targetId"].toString()}});
        } else if (focused && method == "Runtime.evaluate") {
            const bool value = focused(m["sessionId"].toString());
            reply(m, {{"result", QJsonObject{{"type", "boolean"}, {"value", value}}}});
        }
    }
    int created_ = 0;
};

// Waits for what the event loop should bring about shortly.
template <typename Condition> bool soon(Condition c) {
    return QTest::qWaitFor(c, 3000);
}
template <typename... Outcome> bool settled(const Outcome&... o) {
    return soon([&] { return (o->result.has_value() && ...); });
}
