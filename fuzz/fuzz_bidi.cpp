// WebDriver BiDi's messages for the browser fuzzers' driver; Marionette's
// framing and the endpoints Firefox names get the same bytes.

#include "platform/firefox/firefox_launch.h"
#include "platform/firefox/marionette_link.h"

#include "browser_fuzz.h"

#include <QJsonArray>
#include <QTemporaryDir>

using namespace kurumin;

namespace {

QJsonObject contextInfo(FuzzedDataProvider& in) {
    return {{QStringLiteral("context"), anyOf(in, fewNames(in, 'C'))},
            {QStringLiteral("url"),
             in.ConsumeBool() ? QStringLiteral("about:blank") : textFrom(in, 30)},
            {QStringLiteral("parent"),
             in.ConsumeIntegralInRange(0, 3) == 0 ? QJsonValue(fewNames(in, 'C')) : QJsonValue()}};
}

// What the reporter says, or anything in its place.
QJsonObject report(FuzzedDataProvider& in) {
    const QJsonArray words{in.ConsumeBool() ? QStringLiteral("visible") : QStringLiteral("hidden"),
                           in.ConsumeBool(),
                           in.ConsumeBool() ? QStringLiteral("T") : textFrom(in, 12)};
    const QString value =
        in.ConsumeIntegralInRange(0, 5) == 0
            ? textFrom(in, 40)
            : QString::fromUtf8(QJsonDocument(words).toJson(QJsonDocument::Compact));
    return {{QStringLiteral("channel"), in.ConsumeIntegralInRange(0, 7) == 0
                                            ? textFrom(in, 8)
                                            : QStringLiteral("kurumin-shown")},
            {QStringLiteral("data"),
             QJsonObject{{QStringLiteral("type"), anyOf(in, QStringLiteral("string"))},
                         {QStringLiteral("value"), anyOf(in, value)}}},
            {QStringLiteral("source"),
             anyOf(in, QJsonObject{{QStringLiteral("context"), fewNames(in, 'C')}})}};
}

QJsonObject frame(FuzzedDataProvider& in, const std::vector<double>& sent) {
    QJsonObject m;
    const int kind = in.ConsumeIntegralInRange(0, 7);
    if (kind <= 3) {
        m.insert(QStringLiteral("id"), replyId(in, sent));
        if (kind == 3) {
            m.insert(QStringLiteral("type"), QStringLiteral("error"));
            m.insert(QStringLiteral("error"), anyOf(in, QStringLiteral("unknown error")));
            m.insert(QStringLiteral("message"), anyOf(in, textFrom(in, 20)));
        } else {
            QJsonArray tree;
            for (int n = in.ConsumeIntegralInRange(0, 3); n > 0; --n)
                tree.append(contextInfo(in));
            m.insert(QStringLiteral("type"), QStringLiteral("success"));
            m.insert(
                QStringLiteral("result"),
                anyOf(in, QJsonObject{{QStringLiteral("context"), anyOf(in, fewNames(in, 'C'))},
                                      {QStringLiteral("contexts"), anyOf(in, tree)}}));
        }
    } else {
        static const char* const contextEvents[] = {"contextCreated",    "contextDestroyed",
                                                    "navigationStarted", "navigationCommitted",
                                                    "fragmentNavigated", "historyUpdated"};
        const int which = in.ConsumeIntegralInRange(0, 7); // a quarter the reporter's messages
        m.insert(QStringLiteral("type"), QStringLiteral("event"));
        m.insert(QStringLiteral("method"),
                 which >= 6 ? QStringLiteral("script.message")
                            : "browsingContext." + QString::fromLatin1(contextEvents[which]));
        m.insert(QStringLiteral("params"), which >= 6 ? report(in) : contextInfo(in));
    }
    return m;
}

// Marionette's framing and the endpoints named in files and answers.
void parseBytes(FuzzedDataProvider& in) {
    QByteArray buffer = QByteArray::fromStdString(in.ConsumeRandomLengthString(64));
    QByteArray message;
    const qsizetype before = buffer.size();
    if (MarionetteLink::takeFrame(buffer, message) == MarionetteLink::Frame::Whole)
        check(buffer.size() < before && message.size() <= before, "a frame out of nothing");
    if (const auto port = parseMarionettePort(buffer))
        check(port->host() == u"127.0.0.1", "a Marionette port off loopback");
    if (const auto socket = parseSessionSocket(textFrom(in, 60)))
        check(socket->host() == u"127.0.0.1" && socket->path().startsWith(u"/session/"),
              "a session socket off loopback");
}

} // namespace

struct Bidi {
    QTemporaryDir profile;
    static QString socketPath() { return QStringLiteral("/session/fuzz"); }
    static QByteArray windowTitle() { return "T \xe2\x80\x94 Mozilla Firefox"; }
    static QString refusal(qint64 id) {
        return QStringLiteral("{\"type\":\"error\",\"id\":%1,\"error\":\"x\",\"message\":\"done\"}")
            .arg(id);
    }
    std::unique_ptr<BrowserProtocol> protocol(BrowserConnection& connection) {
        return std::make_unique<FirefoxProtocol>(connection);
    }
    // A started browser's blank window.
    void beforeOpen(FuzzedDataProvider& in, BrowserProtocol& protocol) {
        if (in.ConsumeIntegralInRange(0, 3) == 0) protocol.prepare(profile.path());
    }
    void step(FuzzedDataProvider& in, LocalEndpoint&) { parseBytes(in); }
    static constexpr auto frame = ::frame;
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzBrowser<Bidi>(data, size);
}
