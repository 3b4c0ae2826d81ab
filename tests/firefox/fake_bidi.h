#pragma once
// A scripted stand-in for Firefox on loopback: its Marionette port, which
// hands out the one session, and the session's WebDriver BiDi socket.

#include "fake_devtools.h"

// A top-level context unless given a parent.
inline QJsonObject tab(const QString& id, const QString& url,
                       const QJsonValue& parent = QJsonValue()) {
    return {{"context", id}, {"url", url}, {"parent", parent}};
}

// The session lasts as long as the Marionette connection that made it.
// Windows are created blank and announced; fail.example is refused,
// hang.example starts but never answers.
class FakeFirefox : public FakeDevTools {
  public:
    FakeFirefox() {
        onMessage = [this](const QJsonObject& m) { answer(m); };
        marionette_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&marionette_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* s = marionette_.nextPendingConnection()) {
                s->write(greeting);
                QObject::connect(s, &QTcpSocket::readyRead, [this, s] { ask(s); });
                QObject::connect(s, &QTcpSocket::disconnected, [this, s] {
                    if (s == holder_) sessionTaken = false, holder_ = nullptr;
                    s->deleteLater();
                });
            }
        });
    }
    void ok(const QJsonObject& request, const QJsonObject& result) {
        send({{"type", "success"}, {"id", request.value("id")}, {"result", result}});
    }
    void bidiEvent(const QString& method, const QJsonObject& params) {
        send({{"type", "event"}, {"method", method}, {"params", params}});
    }
    // What the reporter in a tab says of it.
    void tell(const QString& context, const QString& visibility, bool focus, const QString& title) {
        const QString words = QString::fromUtf8(
            QJsonDocument(QJsonArray{visibility, focus, title}).toJson(QJsonDocument::Compact));
        bidiEvent("script.message",
                  {{"channel", channel},
                   {"data", QJsonObject{{"type", "string"}, {"value", words}}},
                   {"source", QJsonObject{{"realm", "r"}, {"context", context}}}});
    }
    // As Firefox leaves it in the profile under `dataFolder`.
    bool writePortFile(const QString& dataFolder) const {
        return writeFile(dataFolder + "/firefox-profile/MarionetteActivePort",
                         QByteArray::number(marionette_.serverPort()));
    }

    QByteArray greeting = R"(50:{"applicationType":"gecko","marionetteProtocol":3})";
    std::vector<QJsonObject> sessionsAsked; // the capabilities of each
    bool sessionTaken = false;
    quint16 socketPort = 0; // where the session's socket is said to be, when not here
    QJsonArray tree;        // top-level contexts
    QString channel;        // as the preload script was given

  private:
    void answer(const QJsonObject& m) {
        const QString method = m.value("method").toString();
        const QJsonObject params = m.value("params").toObject();
        if (method == "browsingContext.getTree") {
            ok(m, {{"contexts", tree}});
        } else if (method == "browsingContext.create") {
            const QString id = QString("C%1").arg(++created_);
            const QJsonObject info = tab(id, "about:blank");
            tree.append(info);
            bidiEvent("browsingContext.contextCreated", info);
            ok(m, {{"context", id}});
        } else if (method == "browsingContext.navigate") {
            const QString host = QUrl(params["url"].toString()).host();
            if (host == "fail.example")
                return send(
                    {{"type", "error"}, {"id", m["id"]}, {"error", "invalid"}, {"message", "x"}});
            bidiEvent("browsingContext.navigationStarted",
                      {{"context", params["context"]}, {"url", params["url"]}});
            if (host == "hang.example") return;
            bidiEvent("browsingContext.navigationCommitted",
                      {{"context", params["context"]}, {"url", params["url"]}});
            ok(m, {{"navigation", "N"}, {"url", params["url"]}});
        } else if (method == "script.addPreloadScript") {
            channel = params["arguments"][0]["value"]["channel"].toString();
            ok(m, {{"script", "P"}});
        } else if (method != "ignored.everything") {
            ok(m, {});
        }
    }
    // One whole command per read is enough for what the client sends.
    void ask(QTcpSocket* s) {
        const QByteArray in = s->readAll();
        const QJsonArray command = QJsonDocument::fromJson(in.mid(in.indexOf(':') + 1)).array();
        if (command[2].toString() != "WebDriver:NewSession") return;
        sessionsAsked.push_back(command[3].toObject());
        QJsonArray answer{1, command[1], QJsonValue(), QJsonValue()};
        if (sessionTaken) {
            answer[2] = QJsonObject{{"error", "session not created"},
                                    {"message", "Maximum number of active sessions"}};
        } else {
            sessionTaken = true;
            holder_ = s;
            const QString socket =
                QString("ws://127.0.0.1:%1/session/S1").arg(socketPort ? socketPort : port());
            answer[3] = QJsonObject{{"sessionId", "S1"},
                                    {"capabilities", QJsonObject{{"webSocketUrl", socket}}}};
        }
        const QByteArray out = QJsonDocument(answer).toJson(QJsonDocument::Compact);
        s->write(QByteArray::number(out.size()) + ":" + out);
    }

    QTcpServer marionette_;
    QTcpSocket* holder_ = nullptr;
    int created_ = 0;
};
