#pragma once
// Stand-ins for the browser's DevTools endpoint on loopback: a scripted browser and a hostile peer.

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUrl>
#include <QWebSocket>
#include <QWebSocketServer>
#include <QtEndian>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

// A file as a browser leaves it, with the folders it is in.
inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size();
}

inline QUrl devToolsUrl(quint16 port) {
    return QUrl(QStringLiteral("ws://127.0.0.1:%1/devtools/browser/x").arg(port));
}

// A hostile local program on the DevTools port: it completes the opening
// handshake and, once the client has sent something, answers with one text
// message of `length` bytes, as one frame or as endless 1 MB fragments,
// written as fast as the client takes it and never held whole.
class HostileDevTools {
  public:
    enum class Shape { OneFrame, Fragments };
    HostileDevTools(quint64 length, Shape shape) : length_(length), shape_(shape) {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                client_.reset(s);
                request_.clear();
                upgraded_ = streaming_ = false;
                QObject::connect(s, &QTcpSocket::readyRead, [this] { onRead(); });
                QObject::connect(s, &QTcpSocket::bytesWritten, [this] { pump(); });
                QObject::connect(s, &QTcpSocket::disconnected, [this] { ++dropped; });
            }
        });
    }
    QUrl url() const { return devToolsUrl(server_.serverPort()); }

    quint64 sent = 0; // payload bytes written so far
    int dropped = 0;  // connections the client ended

  private:
    void onRead() {
        const QByteArray in = client_->readAll();
        if (upgraded_) {
            if (!streaming_) {
                streaming_ = true;
                if (shape_ == Shape::OneFrame) client_->write(header(0x81, length_));
                pump();
            }
            return;
        }
        request_ += in;
        if (!request_.contains("\r\n\r\n")) return;
        QByteArray key;
        for (const QByteArray& line : request_.split('\n'))
            if (line.toLower().startsWith("sec-websocket-key:")) key = line.mid(18).trimmed();
        const QByteArray accept =
            QCryptographicHash::hash(key + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11",
                                     QCryptographicHash::Sha1)
                .toBase64();
        client_->write("HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\n"
                       "Connection: Upgrade\r\nSec-WebSocket-Accept: " +
                       accept + "\r\n\r\n");
        upgraded_ = true;
    }
    static QByteArray header(quint8 first, quint64 length) {
        QByteArray h(10, Qt::Uninitialized);
        h[0] = char(first);
        h[1] = char(127);
        qToBigEndian(length, h.data() + 2);
        return h;
    }
    void pump() {
        if (!streaming_ || !client_ || client_->state() != QAbstractSocket::ConnectedState) return;
        static const QByteArray chunk(1 << 20, 'a');
        while (client_->bytesToWrite() < 4 * chunk.size() && sent < length_) {
            if (shape_ == Shape::Fragments) // text, then continuations, none final
                client_->write(header(sent == 0 ? 0x01 : 0x00, quint64(chunk.size())));
            client_->write(chunk);
            sent += quint64(chunk.size());
        }
    }

    QTcpServer server_;
    std::unique_ptr<QTcpSocket> client_;
    QByteArray request_;
    quint64 length_;
    Shape shape_;
    bool upgraded_ = false, streaming_ = false;
};

inline QJsonObject pageInfo(const QString& id, const QString& url, const QString& title = {}) {
    return {{"targetId", id}, {"type", "page"}, {"url", url}, {"title", title}};
}

// A scripted peer on loopback: what the client sent, in order, and a hook
// that answers each message as it comes.
class FakeDevTools {
  public:
    FakeDevTools() : server_(QStringLiteral("fake"), QWebSocketServer::NonSecureMode) {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QWebSocketServer::newConnection, [this] {
            while (QWebSocket* s = server_.nextPendingConnection()) {
                client_.reset(s);
                QObject::connect(s, &QWebSocket::textMessageReceived, [this](const QString& t) {
                    received.push_back(QJsonDocument::fromJson(t.toUtf8()).object());
                    if (onMessage && !mute) onMessage(received.back());
                });
            }
        });
    }
    ~FakeDevTools() {
        if (client_) client_->disconnect();
    }

    quint16 port() const { return server_.serverPort(); }
    QUrl url() const { return devToolsUrl(port()); }
    void sendRaw(const QString& text) { client_->sendTextMessage(text); }
    void send(const QJsonObject& m) {
        sendRaw(QString::fromUtf8(QJsonDocument(m).toJson(QJsonDocument::Compact)));
    }
    void reply(const QJsonObject& request, const QJsonObject& result) {
        send({{"id", request.value("id")}, {"result", result}});
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
    bool mute = false; // hears, never answers

  private:
    QWebSocketServer server_;
    std::unique_ptr<QWebSocket> client_;
};

// The peer as a browser with pages, each listed titled after its host.
// Created pages are announced; fail.example is
// refused and hang.example never answered; other commands go unanswered.
// Once auto-attach is asked for, every page comes attached, and its
// listener answers with the page's state ("visible focus", "hidden") as soon
// as it differs from what the panel saw last.
class FakeBrowser : public FakeDevTools {
  public:
    FakeBrowser() {
        onMessage = [this](const QJsonObject& m) { answer(m); };
    }
    void target(const QString& method, const QJsonValue& info) {
        event("Target.target" + method, {{"targetInfo", info}});
    }
    QString addPage(const QString& url, const QString& title = {}) {
        const QString id = QString("T%1").arg(++created_);
        infos.append(pageInfo(id, url, title.isEmpty() ? QUrl(url).host() : title));
        target("Created", infos.last());
        attach(infos.last().toObject());
        return id;
    }
    // A page's state as its listener would see it.
    void tell(const QString& targetId, const QString& state) {
        states[targetId] = state;
        std::vector<QJsonObject> still;
        for (const QJsonObject& w : waiting)
            if (w["sessionId"].toString() == "S-" + targetId && seen(w) != state)
                replyState(w);
            else
                still.push_back(w);
        waiting = still;
    }

    // A new document in the page: the waits in the old one's world fail.
    void navigate(const QString& targetId) {
        std::erase_if(waiting, [&](const QJsonObject& w) {
            if (w["sessionId"].toString() != "S-" + targetId) return false;
            send({{"id", w.value("id")},
                  {"error", QJsonObject{{"code", -32000}, {"message", "Context was destroyed"}}},
                  {"sessionId", w["sessionId"]}});
            return true;
        });
    }

    // While quiet, the pages' worlds are made but not answered for: a page just opened.
    void speak() {
        quiet = false;
        for (const QJsonObject& m : std::exchange(held, {}))
            reply(m, {{"executionContextId", 7}});
    }

    QJsonArray infos;                 // the browser's own listing
    QHash<QString, QString> states;   // by target, "hidden" when not given
    std::vector<QJsonObject> waiting; // listeners' waits not yet answered
    bool autoAttach = false;
    bool quiet = false;
    std::vector<QJsonObject> held;

  private:
    void attach(const QJsonObject& info) {
        if (autoAttach)
            event("Target.attachedToTarget",
                  {{"sessionId", "S-" + info["targetId"].toString()}, {"targetInfo", info}});
    }
    static QString seen(const QJsonObject& m) {
        const QString e = m["params"]["expression"].toString();
        const qsizetype end = e.lastIndexOf('\'');
        return e.mid(e.lastIndexOf('\'', end - 1) + 1, end - e.lastIndexOf('\'', end - 1) - 1);
    }
    void replyState(const QJsonObject& m) {
        const QString state = states.value(m["sessionId"].toString().mid(2), "hidden");
        send(
            {{"id", m.value("id")},
             {"result", QJsonObject{{"result", QJsonObject{{"type", "string"}, {"value", state}}}}},
             {"sessionId", m["sessionId"]}});
    }
    void answer(const QJsonObject& m) {
        const QString method = m.value("method").toString();
        const QString url = m["params"]["url"].toString();
        if (method == "Target.createTarget" && QUrl(url).host() == "fail.example") {
            send({{"id", m.value("id")},
                  {"error", QJsonObject{{"code", -32000}, {"message", "Failed to open new tab"}}}});
        } else if (method == "Target.createTarget" && QUrl(url).host() != "hang.example") {
            reply(m, {{"targetId", addPage(url)}});
        } else if (method == "Target.getTargets") {
            reply(m, {{"targetInfos", infos}});
        } else if (method == "Target.getTargetInfo") {
            for (const auto& info : infos)
                if (info.toObject()["targetId"] == m["params"]["targetId"])
                    reply(m, {{"targetInfo", info}});
        } else if (method == "Target.setDiscoverTargets") {
            reply(m, {});
            for (const auto& info : infos)
                target("Created", info);
        } else if (method == "Target.setAutoAttach") {
            reply(m, {});
            autoAttach = true;
            for (const auto& info : infos)
                attach(info.toObject());
        } else if (method == "Page.createIsolatedWorld") {
            if (quiet)
                held.push_back(m);
            else
                reply(m, {{"executionContextId", 7}});
        } else if (method == "Runtime.evaluate") {
            const QString state = states.value(m["sessionId"].toString().mid(2), "hidden");
            if (seen(m) != state)
                replyState(m);
            else
                waiting.push_back(m);
        }
    }

    int created_ = 0;
};

// What a callback was given, and how often.
template <typename Result> struct Outcome {
    std::optional<Result> result;
    int calls = 0;
    static auto recorder(const std::shared_ptr<Outcome>& o) {
        return [o](const Result& r) {
            o->result = r;
            ++o->calls;
        };
    }
};

// Waits for what the event loop should bring about shortly.
template <typename Condition> bool soon(Condition c) {
    return QTest::qWaitFor(c, 3000);
}
template <typename... Outcome> bool settled(const Outcome&... o) {
    return soon([&] { return (o->result.has_value() && ...); });
}
