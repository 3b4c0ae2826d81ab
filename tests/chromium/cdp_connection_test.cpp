#include "platform/chromium/cdp_connection.h"

#include "fake_devtools.h"

#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

using namespace kurumin;

namespace {

// What a command's handler is given, and how often.
struct Outcome {
    std::optional<CdpReply> result;
    int calls = 0;
};

std::shared_ptr<Outcome> send(CdpConnection& c, const QString& method,
                              const QString& session = {}) {
    auto o = std::make_shared<Outcome>();
    c.send(
        method, {},
        [o](const CdpReply& r) {
            o->result = r;
            ++o->calls;
        },
        session);
    return o;
}

TEST(CdpConnection, EachCommandEndsOnceByItsOwnReplyItsDeadlineOrTheLostConnection) {
    FakeDevTools fake;
    CdpConnection connection;
    int lost = 0;
    std::vector<QString> events;
    QObject::connect(&connection, &CdpConnection::lost, [&] { ++lost; });
    QObject::connect(&connection, &CdpConnection::event,
                     [&](const QString& method, const QJsonObject&, const QString& session) {
                         events.push_back(method + "@" + session);
                     });
    connection.setRequestTimeout(100);
    connection.open(fake.url());
    ASSERT_TRUE(soon([&] { return connection.isOpen(); }));
    auto slow = send(connection, "Slow.call");
    ASSERT_TRUE(settled(slow));
    EXPECT_EQ(slow->result->failure, OpenFailure::Timeout);

    connection.setRequestTimeout(2000);
    auto first = send(connection, "A.one"), second = send(connection, "B.two", "session-7");
    auto a = send(connection, "C.three"), b = send(connection, "D.four");
    ASSERT_TRUE(soon([&] { return fake.received.size() == 5; }));
    EXPECT_FALSE(fake.received[1].contains("sessionId"));
    EXPECT_EQ(fake.received[2].value("sessionId").toString(), "session-7");
    // A late reply and junk change nothing; the string id "2" is not command 2.
    fake.reply(fake.received[0], {});
    for (const QString junk : {"{not json", "[1, 2, 3]", "", R"({"id":"2","result":{}})",
                               R"({"id":null})", R"({"params":{}})", R"({"id":999999})"})
        fake.sendRaw(junk);
    fake.send({{"method", "Page.seen"}, {"sessionId", "s1"}, {"params", QJsonObject{}}});
    fake.reply(fake.received[2], {{"who", "second"}});
    fake.reply(fake.received[1], {{"who", "first"}});
    ASSERT_TRUE(settled(first, second));
    EXPECT_EQ(first->result->result.value("who").toString(), "first");
    EXPECT_EQ(second->result->result.value("who").toString(), "second");
    EXPECT_EQ(events, std::vector<QString>{"Page.seen@s1"});

    fake.drop();
    ASSERT_TRUE(settled(a, b));
    EXPECT_EQ(a->result->failure, OpenFailure::ConnectionLost);
    EXPECT_EQ(b->result->failure, OpenFailure::ConnectionLost);
    EXPECT_EQ(lost, 1);
    EXPECT_TRUE(connection.isIdle());
    auto after = send(connection, "E.five"); // fails too, but never from inside send()
    EXPECT_FALSE(after->result.has_value());
    ASSERT_TRUE(settled(after));
    EXPECT_EQ(after->result->failure, OpenFailure::ConnectionLost);
    QTest::qWait(50);
    EXPECT_EQ(slow->calls + first->calls + second->calls + a->calls + b->calls + after->calls, 6);
}

TEST(CdpConnection, NothingListeningOrNoHandshakeFailsTheOpenOnce) {
    QTcpServer silent, closed;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 closedPort = closed.serverPort();
    closed.close();

    for (quint16 port : {closedPort, silent.serverPort()}) {
        CdpConnection connection;
        connection.setRequestTimeout(100);
        int failed = 0;
        QObject::connect(&connection, &CdpConnection::openFailed, [&] { ++failed; });
        connection.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/devtools/browser/x").arg(port)));
        EXPECT_TRUE(soon([&] { return failed > 0; })) << port;
        QTest::qWait(150); // past the handshake deadline, which must not fail it again
        EXPECT_EQ(failed, 1) << port;
        EXPECT_TRUE(connection.isIdle());
    }
}

} // namespace
