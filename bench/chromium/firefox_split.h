#pragma once
// Where a Firefox open's time goes: ours before the window is asked for,
// Firefox's window creation, ours between, Firefox's navigation up to its
// start event, ours after. Read from the protocol log, each line stamped on
// arrival. Beside it, the same two steps on a bare BiDi session: a fresh
// profile, no Marionette, no preload script, the one event subscribed.
#include "../event_waits.h"
#include "../local_http.h"
#include "platform/browser_link/browser_connection.h"
#include "platform/browser_link/browser_session.h"
#include "platform/firefox/firefox_launch.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace kurumin::bench {

struct Stamped {
    qint64 ns;
    QString text;
};

class ProtocolLog {
  public:
    ProtocolLog() {
        clock().start();
        QLoggingCategory::setFilterRules(QStringLiteral("kurumin.browser.protocol.debug=true"));
        previous_ = qInstallMessageHandler(&ProtocolLog::take);
    }
    ~ProtocolLog() {
        qInstallMessageHandler(previous_);
        QLoggingCategory::setFilterRules(QString());
    }
    static qint64 now() { return clock().nsecsElapsed(); }
    static std::vector<Stamped>& lines() {
        static std::vector<Stamped> all;
        return all;
    }

  private:
    static QElapsedTimer& clock() {
        static QElapsedTimer c;
        return c;
    }
    static void take(QtMsgType, const QMessageLogContext& context, const QString& text) {
        if (QByteArray(context.category) == "kurumin.browser.protocol")
            lines().push_back({now(), text});
    }
    QtMessageHandler previous_ = nullptr;
};

// Ours before, create, ours between, navigate, ours after, in ms; empty
// when the log does not hold the whole open.
inline std::vector<double> splitOpen(qint64 from, qint64 to) {
    qint64 t[4] = {-1, -1, -1, -1};
    QString create;
    for (const Stamped& l : ProtocolLog::lines()) {
        if (l.ns < from || l.ns > to) continue;
        if (t[0] < 0 && l.text.endsWith(u" browsingContext.create")) {
            t[0] = l.ns;
            create = QStringLiteral("answer ") + l.text.section(u' ', 1, 1);
        } else if (t[0] >= 0 && t[1] < 0 && l.text == create) {
            t[1] = l.ns;
        } else if (t[1] >= 0 && t[2] < 0 && l.text.endsWith(u" browsingContext.navigate")) {
            t[2] = l.ns;
        } else if (t[2] >= 0 && l.text == u"event browsingContext.navigationStarted") {
            t[3] = l.ns;
            break;
        }
    }
    if (t[3] < 0) return {};
    const qint64 at[] = {from, t[0], t[1], t[2], t[3], to};
    std::vector<double> ms;
    for (int i = 0; i < 5; ++i)
        ms.push_back(double(at[i + 1] - at[i]) / 1e6);
    return ms;
}

inline void reportSplit(const char* who, const std::vector<std::vector<double>>& opens) {
    static const char* steps[] = {"ours before", "create", "ours between", "navigate",
                                  "ours after"};
    std::printf("%s, medians of %zu opens:", who, opens.size());
    for (size_t s = 0; s < 5 && !opens.empty(); ++s) {
        std::vector<double> v;
        for (const auto& o : opens)
            if (o.size() == 5) v.push_back(o[s]);
        if (!v.empty()) std::printf(" %s %.2f ms;", steps[s], percentile(v, 0.5));
    }
    std::printf("\n");
}

// The same window creation and navigation on a bare session.
inline int bareFirefox(LocalHttp& http, int opens) {
    const QString program = findBrowserProgram(firefoxPrograms());
    QTemporaryDir profile;
    QFile prefs(profile.path() + QStringLiteral("/user.js"));
    if (program.isEmpty() || !prefs.open(QIODevice::WriteOnly)) return 1;
    prefs.write(firefoxUserPrefs());
    prefs.close();
    QProcess firefox;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MOZ_ENABLE_WAYLAND"), QStringLiteral("0"));
    firefox.setProcessEnvironment(env);
    firefox.start(program,
                  {QStringLiteral("--remote-debugging-port=0"), QStringLiteral("--profile"),
                   profile.path(), QStringLiteral("--no-remote"), QStringLiteral("about:blank")});
    const QString served = bidiServerFile(profile.path());
    int status = 1;
    if (runUntil(
            "the bare Firefox to listen", [&] { return QFile(served).size() > 0; }, 30000)) {
        QFile file(served);
        file.open(QIODevice::ReadOnly);
        const int port = QJsonDocument::fromJson(file.readAll())[u"ws_port"].toInt();
        BrowserConnection bidi;
        bool done = false;
        const auto ask = [&](const QString& method, const QJsonObject& params) {
            done = false;
            bidi.send(method, params, [&](const BrowserReply&) { done = true; });
            return runUntil(
                method, [&] { return done; }, 10000, 1);
        };
        bool started = false;
        QObject::connect(&bidi, &BrowserConnection::notified, [&](const QString& method) {
            started = started || method == u"browsingContext.navigationStarted";
        });
        bidi.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/session").arg(port)));
        const QJsonArray one{QStringLiteral("browsingContext.navigationStarted")};
        if (runUntil(
                "the bare session", [&] { return bidi.isOpen(); }, 10000) &&
            ask(QStringLiteral("session.new"), {{QStringLiteral("capabilities"), QJsonObject()}}) &&
            ask(QStringLiteral("session.subscribe"), {{QStringLiteral("events"), one}})) {
            std::vector<std::vector<double>> split;
            for (int i = 0; i < opens; ++i) {
                const qint64 from = ProtocolLog::now();
                started = false;
                const QString url = http.url(QStringLiteral("/bare-%1").arg(i));
                bidi.send(QStringLiteral("browsingContext.create"),
                          {{QStringLiteral("type"), QStringLiteral("window")}},
                          [&bidi, url](const BrowserReply& r) {
                              bidi.send(QStringLiteral("browsingContext.navigate"),
                                        {{QStringLiteral("context"), r.result[u"context"]},
                                         {QStringLiteral("url"), url},
                                         {QStringLiteral("wait"), QStringLiteral("none")}},
                                        nullptr);
                          });
                if (!runUntil(
                        "a bare navigation", [&] { return started; }, 20000, 1))
                    break;
                split.push_back(splitOpen(from, ProtocolLog::now()));
            }
            reportSplit("bare Firefox session", split);
            status = int(split.size()) == opens ? 0 : 1;
        }
    }
    firefox.terminate();
    if (!firefox.waitForFinished(15000)) firefox.kill();
    return status;
}

} // namespace kurumin::bench
