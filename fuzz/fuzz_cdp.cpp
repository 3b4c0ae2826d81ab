// Every message the browser can send over the DevTools connection, in any
// order, into the session and the page tracker sharing it: never a crash,
// and every open asked for ends exactly once, never from inside the ask.
//
// One connection to a local endpoint lives across runs (a handshake a run
// would cost more than the run); the endpoint only listens and notes the ids
// of what it is sent, and the frames go in as the socket would hand them on.

#include "platform/browser_link/browser_connection.h"
#include "platform/browser_link/browser_session.h"
#include "platform/chromium/browser_launch.h"
#include "platform/chromium/page_tracker.h"
#include "platform/fake/fakes.h"

#include "fuzz_support.h"
#include "local_endpoint.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <fuzzer/FuzzedDataProvider.h>

#include <memory>
#include <vector>

using namespace kurumin;

namespace {

// The browser's port file names the endpoint.
struct Endpoint : LocalEndpoint {
    QTemporaryDir data;
    Endpoint() {
        const QString profile = data.path() + QStringLiteral("/browser-profile");
        QDir().mkpath(profile);
        QFile port(devToolsPortFile(profile));
        check(port.open(QIODevice::WriteOnly), "cannot write the port file");
        port.write(QByteArray::number(server.serverPort()) + "\n/devtools/browser/fuzz\n");
    }
};

// Few names, so that frames meet the pages and sessions earlier frames made.
QString targetId(FuzzedDataProvider& in) {
    return in.ConsumeIntegralInRange(0, 15) == 0
               ? textFrom(in, 12)
               : QStringLiteral("T%1").arg(in.ConsumeIntegralInRange(0, 3));
}
QString sessionId(FuzzedDataProvider& in) {
    return in.ConsumeIntegralInRange(0, 15) == 0
               ? textFrom(in, 12)
               : QStringLiteral("S%1").arg(in.ConsumeIntegralInRange(0, 3));
}

QJsonObject targetInfo(FuzzedDataProvider& in) {
    QJsonObject info{
        {QStringLiteral("targetId"), targetId(in)},
        {QStringLiteral("type"), in.ConsumeBool() ? QStringLiteral("page") : textFrom(in, 8)},
        {QStringLiteral("url"), textFrom(in, 40)},
        {QStringLiteral("title"), in.ConsumeBool() ? QStringLiteral("Title") : textFrom(in, 20)}};
    if (in.ConsumeIntegralInRange(0, 7) == 0) info.remove(QStringLiteral("targetId"));
    return info;
}

QJsonValue idValue(FuzzedDataProvider& in, const std::vector<double>& sent) {
    switch (in.ConsumeIntegralInRange(0, 9)) {
    case 0:
        return in.ConsumeFloatingPoint<double>();
    case 1:
        return textFrom(in, 6);
    case 2:
        return QJsonValue::Null;
    case 3:
        return sent.empty() ? 0.0 : sent.back() + in.ConsumeIntegralInRange(-2, 2) + 0.5;
    default:
        return sent.empty() ? double(in.ConsumeIntegral<uint8_t>())
                            : sent[in.ConsumeIntegralInRange<size_t>(0, sent.size() - 1)];
    }
}

QString frame(FuzzedDataProvider& in, const std::vector<double>& sent) {
    QJsonObject m;
    const int kind = in.ConsumeIntegralInRange(0, 10);
    if (kind <= 4) {
        m.insert(QStringLiteral("id"), idValue(in, sent));
        QJsonObject result;
        switch (kind) {
        case 0:
            result.insert(QStringLiteral("targetId"), targetId(in));
            break;
        case 1:
            result.insert(QStringLiteral("sessionId"), sessionId(in));
            break;
        case 2: {
            const QJsonValue v =
                in.ConsumeBool() ? QJsonValue(in.ConsumeBool()) : QJsonValue(textFrom(in, 4));
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
                     in.ConsumeBool()
                         ? QJsonValue(QJsonObject{{QStringLiteral("code"), -32000},
                                                  {QStringLiteral("message"), textFrom(in, 20)}})
                         : QJsonValue(textFrom(in, 8)));
            break;
        }
        if (kind != 4 || in.ConsumeBool())
            m.insert(QStringLiteral("result"),
                     in.ConsumeIntegralInRange(0, 9) == 0 ? QJsonValue(7) : QJsonValue(result));
    } else if (kind <= 7) {
        static const char* const methods[] = {
            "Target.targetCreated",      "Target.targetInfoChanged", "Target.targetDestroyed",
            "Target.detachedFromTarget", "Target.attachedToTarget",  "Page.frameNavigated"};
        m.insert(QStringLiteral("method"),
                 QString::fromLatin1(methods[in.ConsumeIntegralInRange(0, 5)]));
        m.insert(QStringLiteral("params"),
                 QJsonObject{{QStringLiteral("targetInfo"), targetInfo(in)},
                             {QStringLiteral("targetId"), targetId(in)},
                             {QStringLiteral("sessionId"), sessionId(in)}});
        if (kind == 7) m.insert(QStringLiteral("sessionId"), sessionId(in));
    } else if (kind == 8) {
        return textFrom(in, 300); // anything at all
    } else {
        // A well-formed frame cut short or with bytes spliced in.
        QString whole =
            QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("id"), idValue(in, sent)},
                                                        {QStringLiteral("result"), QJsonObject{}}})
                                  .toJson(QJsonDocument::Compact));
        whole.insert(in.ConsumeIntegralInRange<qsizetype>(0, whole.size()), textFrom(in, 8));
        return whole.left(in.ConsumeIntegralInRange<qsizetype>(0, whole.size()));
    }
    return QString::fromUtf8(QJsonDocument(m).toJson(QJsonDocument::Compact));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_cdp";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static Endpoint endpoint;
    static BrowserConnection connection;
    static bool once = [] {
        connection.setRequestTimeout(100);
        return true;
    }();
    (void)once;

    keepOpen(connection, endpoint, QStringLiteral("/devtools/browser/fuzz"));
    endpoint.ids.clear();

    FuzzedDataProvider in(data, size);
    fake::Shell shell;
    fake::WindowSystem windows;
    BrowserSessionOptions options;
    options.dataFolder = endpoint.data.path();
    options.programs = {}; // never start a real browser
    static ChromiumProtocol protocol;
    auto session = std::make_unique<BrowserSession>(connection, protocol, options, shell);
    emit connection.opened(); // as it would have heard when the connection opened
    auto tracker =
        std::make_unique<PageTracker>(connection, in.ConsumeBool() ? &windows : nullptr, 0);
    QObject::connect(session.get(), &BrowserSession::pageOpened, tracker.get(),
                     &PageTracker::addOpened);

    std::vector<int> ended; // per open asked for
    bool asking = false;
    for (int step = 0; step < 48 && in.remaining_bytes() > 0; ++step) {
        switch (in.ConsumeIntegralInRange(0, 15)) {
        case 0:
        case 1: {
            const std::size_t n = ended.size();
            ended.push_back(0);
            const QString url =
                in.ConsumeBool() ? QStringLiteral("http://site/p%1.html").arg(n) : textFrom(in, 30);
            asking = true;
            session->openPage(url, [&ended, &asking, n](const OpenResult&) {
                check(!asking, "an open answered from inside the ask");
                ++ended[n];
            });
            asking = false;
            break;
        }
        case 2:
            tracker->refresh();
            break;
        case 3:
            tracker->pages();
            tracker->frontPage();
            break;
        case 4: {
            windows.foreground = in.ConsumeIntegralInRange<WindowHandle>(0, 2);
            windows.titles[windows.foreground] =
                in.ConsumeBool() ? QByteArray("Title - Chromium")
                                 : QByteArray::fromStdString(in.ConsumeRandomLengthString(20));
            break;
        }
        case 5:
            settle(connection);
            break;
        case 6:
            if (in.ConsumeIntegralInRange(0, 7) == 0) connection.close(); // lost
            break;
        case 7:
            if (in.ConsumeIntegralInRange(0, 7) == 0 && endpoint.client)
                endpoint.client->abort(); // the peer went
            break;
        default:
            connection.handleMessage(frame(in, endpoint.ids));
            break;
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
            connection.handleMessage(
                QStringLiteral("{\"id\":%1,\"error\":{\"message\":\"done\"}}").arg(qint64(id)));
        settle(connection);
    } while (!allEnded() && waited.elapsed() < 3000);
    for (int e : ended)
        check(e == 1, e == 0 ? "an open never ended" : "an open ended twice");
    tracker.reset();
    session.reset();
    return 0;
}
