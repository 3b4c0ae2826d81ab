#pragma once
// A scripted stand-in for Firefox's WebDriver BiDi endpoint on loopback.

#include "fake_devtools.h"

#include <QDir>
#include <QFile>

// One session at a time, as Firefox. Windows are created blank and announced;
// fail.example is refused, hang.example starts but never answers.
class FakeFirefox : public FakeDevTools {
  public:
    FakeFirefox() {
        onMessage = [this](const QJsonObject& m) { answer(m); };
    }
    void ok(const QJsonObject& request, const QJsonObject& result) {
        send({{"type", "success"}, {"id", request.value("id")}, {"result", result}});
    }
    void refuse(const QJsonObject& request, const QString& code, const QString& message) {
        send({{"type", "error"},
              {"id", request.value("id")},
              {"error", code},
              {"message", message}});
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
    bool writeServerFile(const QString& dataFolder) const {
        const QString profile = dataFolder + "/firefox-profile";
        QFile file(profile + "/WebDriverBiDiServer.json");
        return QDir().mkpath(profile) && file.open(QIODevice::WriteOnly) &&
               file.write(QString(R"({"ws_host":"127.0.0.1","ws_port":%1})").arg(port()).toUtf8()) >
                   0;
    }

    bool sessionTaken = false;
    bool mute = false; // hears, never answers
    QJsonArray tree;   // top-level contexts
    QString channel;   // as the preload script was given

  private:
    void answer(const QJsonObject& m) {
        const QString method = m.value("method").toString();
        const QJsonObject params = m.value("params").toObject();
        if (mute) return;
        if (method == "session.new") {
            if (sessionTaken)
                return refuse(m, "session not created", "Maximum number of active sessions");
            sessionTaken = true;
            ok(m, {{"sessionId", "S1"}, {"capabilities", QJsonObject{}}});
        } else if (method == "session.end") {
            sessionTaken = false;
            ok(m, {});
        } else if (method == "browsingContext.getTree") {
            ok(m, {{"contexts", tree}});
        } else if (method == "browsingContext.create") {
            const QString id = QString("C%1").arg(++created_);
            const QJsonObject info{
                {"context", id}, {"url", "about:blank"}, {"parent", QJsonValue()}};
            tree.append(info);
            bidiEvent("browsingContext.contextCreated", info);
            ok(m, {{"context", id}});
        } else if (method == "browsingContext.navigate") {
            const QString host = QUrl(params["url"].toString()).host();
            if (host == "fail.example") return refuse(m, "invalid argument", "not a URL");
            bidiEvent("browsingContext.navigationStarted",
                      {{"context", params["context"]}, {"url", params["url"]}});
            if (host != "hang.example") ok(m, {{"navigation", "N"}, {"url", params["url"]}});
        } else if (method == "script.addPreloadScript") {
            channel = params["arguments"][0]["value"]["channel"].toString();
            ok(m, {{"script", "P"}});
        } else if (method != "ignored.everything") {
            ok(m, {});
        }
    }
    int created_ = 0;
};
