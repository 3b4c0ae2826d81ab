// The DevTools protocol's messages for the browser fuzzers' driver.

#include "platform/chromium/browser_launch.h"

#include "browser_fuzz.h"

#include <QJsonArray>

using namespace kurumin;

namespace {

QJsonObject targetInfo(FuzzedDataProvider& in) {
    QJsonObject info{
        {QStringLiteral("targetId"), fewNames(in, 'T')},
        {QStringLiteral("type"), in.ConsumeBool() ? QStringLiteral("page") : textFrom(in, 8)},
        {QStringLiteral("url"), textFrom(in, 40)},
        {QStringLiteral("title"), in.ConsumeBool() ? QStringLiteral("Title") : textFrom(in, 20)}};
    if (in.ConsumeIntegralInRange(0, 7) == 0) info.remove(QStringLiteral("targetId"));
    return info;
}

QJsonObject frame(FuzzedDataProvider& in, const std::vector<double>& sent) {
    QJsonObject m;
    const int kind = in.ConsumeIntegralInRange(0, 7);
    if (kind <= 4) {
        m.insert(QStringLiteral("id"), replyId(in, sent));
        QJsonObject result;
        switch (kind) {
        case 0:
            result.insert(QStringLiteral("targetId"), fewNames(in, 'T'));
            break;
        case 1:
            result.insert(QStringLiteral("sessionId"), fewNames(in, 'S'));
            result.insert(QStringLiteral("executionContextId"), in.ConsumeIntegralInRange(0, 3));
            break;
        case 2: {
            static const char* const states[] = {"visible focus", "hidden", "visible"};
            const QJsonValue v =
                in.ConsumeBool()
                    ? QJsonValue(QString::fromLatin1(states[in.ConsumeIntegralInRange(0, 2)]))
                    : QJsonValue(textFrom(in, 14));
            result.insert(QStringLiteral("result"),
                          QJsonObject{{QStringLiteral("type"), QStringLiteral("boolean")},
                                      {QStringLiteral("value"), v}});
            break;
        }
        case 3: {
            QJsonArray infos;
            for (int n = in.ConsumeIntegralInRange(0, 5); n > 0; --n)
                infos.append(in.ConsumeIntegralInRange(0, 9) == 0 ? QJsonValue(textFrom(in, 4))
                                                                  : targetInfo(in));
            result.insert(QStringLiteral("targetInfos"), infos);
            break;
        }
        case 4:
            m.insert(QStringLiteral("error"),
                     anyOf(in, QJsonObject{{QStringLiteral("code"), -32000},
                                           {QStringLiteral("message"), textFrom(in, 20)}}));
            break;
        }
        if (kind != 4 || in.ConsumeBool())
            m.insert(QStringLiteral("result"),
                     in.ConsumeIntegralInRange(0, 9) == 0 ? QJsonValue(7) : QJsonValue(result));
    } else {
        static const char* const methods[] = {
            "Target.targetCreated",      "Target.targetInfoChanged", "Target.targetDestroyed",
            "Target.detachedFromTarget", "Target.attachedToTarget",  "Page.frameNavigated"};
        m.insert(QStringLiteral("method"),
                 QString::fromLatin1(methods[in.ConsumeIntegralInRange(0, 5)]));
        m.insert(QStringLiteral("params"),
                 QJsonObject{{QStringLiteral("targetInfo"), targetInfo(in)},
                             {QStringLiteral("targetId"), fewNames(in, 'T')},
                             {QStringLiteral("sessionId"), fewNames(in, 'S')}});
        if (kind == 7) m.insert(QStringLiteral("sessionId"), fewNames(in, 'S'));
    }
    return m;
}

} // namespace

struct Cdp {
    static QString socketPath() { return QStringLiteral("/devtools/browser/fuzz"); }
    static QByteArray windowTitle() { return "Title - Chromium"; }
    static QString refusal(qint64 id) {
        return QStringLiteral("{\"id\":%1,\"error\":{\"message\":\"done\"}}").arg(id);
    }
    std::unique_ptr<BrowserProtocol> protocol(BrowserConnection&) {
        return std::make_unique<ChromiumProtocol>();
    }
    void beforeOpen(FuzzedDataProvider&, BrowserProtocol&) {}
    // The peer goes.
    void step(FuzzedDataProvider& in, LocalEndpoint& endpoint) {
        if (in.ConsumeIntegralInRange(0, 7) == 0 && endpoint.client) endpoint.client->abort();
    }
    static constexpr auto frame = ::frame;
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzBrowser<Cdp>(data, size);
}
