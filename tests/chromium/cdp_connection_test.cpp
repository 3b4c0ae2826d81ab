#include "platform/chromium/cdp_connection.h"

#include "fake_devtools.h"

#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

using namespace kurumin;

namespace {

class CdpConnectionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        connection.setRequestTimeout(2000);
        QObject::connect(&connection, &CdpConnection::lost, [this] { ++lostCount; });
        connection.open(fake.url());
        ASSERT_TRUE(QTest::qWaitFor([&] { return connection.isOpen() && fake.hasClient(); }, 3000));
    }

    // Sends a command and keeps what its handler is given, and how often.
    struct Outcome {
        std::optional<CdpReply> reply;
        int calls = 0;
    };
    std::shared_ptr<Outcome> send(const QString& method, const QString& session = {}) {
        auto outcome = std::make_shared<Outcome>();
        connection.send(
            method, {{"n", 1}},
            [outcome](const CdpReply& r) {
                outcome->reply = r;
                ++outcome->calls;
            },
            session);
        return outcome;
    }
    bool waitForReceived(size_t n) {
        return QTest::qWaitFor([&] { return fake.received.size() >= n; }, 3000);
    }

    FakeDevTools fake;
    CdpConnection connection;
    int lostCount = 0;
};

TEST_F(CdpConnectionTest, RepliesReachTheirOwnCommandWhateverTheOrder) {
    auto first = send("A.one");
    auto second = send("B.two", "session-7");
    ASSERT_TRUE(waitForReceived(2));
    EXPECT_EQ(fake.received[0].value("method").toString(), "A.one");
    EXPECT_FALSE(fake.received[0].contains("sessionId"));
    EXPECT_EQ(fake.received[1].value("sessionId").toString(), "session-7");
    EXPECT_NE(fake.received[0].value("id"), fake.received[1].value("id"));

    fake.send({{"id", 999999}, {"result", QJsonObject{{"who", "stranger"}}}});
    fake.reply(fake.received[1], {{"who", "second"}});
    fake.reply(fake.received[0], {{"who", "first"}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return first->reply && second->reply; }, 3000));
    EXPECT_TRUE(first->reply->ok());
    EXPECT_EQ(first->reply->result.value("who").toString(), "first");
    EXPECT_EQ(second->reply->result.value("who").toString(), "second");
    EXPECT_EQ(connection.pendingCount(), 0);
}

TEST_F(CdpConnectionTest, ErrorReplyIsABrowserErrorWithItsMessage) {
    auto outcome = send("Target.createTarget");
    ASSERT_TRUE(waitForReceived(1));
    fake.replyError(fake.received[0], "Failed to open a new tab");
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcome->reply.has_value(); }, 3000));
    EXPECT_EQ(outcome->reply->failure, OpenFailure::BrowserError);
    EXPECT_EQ(outcome->reply->detail, "Failed to open a new tab");
}

TEST_F(CdpConnectionTest, MalformedMessagesAreIgnoredAndTheConnectionCarriesOn) {
    std::vector<QString> events;
    QObject::connect(&connection, &CdpConnection::event,
                     [&](const QString& method, const QJsonObject&, const QString& session) {
                         events.push_back(method + "@" + session);
                     });
    auto outcome = send("A.one");
    ASSERT_TRUE(waitForReceived(1));
    const QJsonValue id = fake.received[0].value("id");
    fake.sendRaw("{not json");
    fake.sendRaw("[1, 2, 3]");
    fake.sendRaw("");
    fake.send({{"id", "1"}, {"result", QJsonObject{}}});
    fake.send({{"id", QJsonValue::Null}});
    fake.send({{"params", QJsonObject{}}});
    fake.send({{"method", "Page.seen"}, {"sessionId", "s1"}, {"params", QJsonObject{}}});
    fake.send({{"id", id}, {"result", QJsonObject{{"fine", true}}}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcome->reply.has_value(); }, 3000));
    EXPECT_TRUE(outcome->reply->result.value("fine").toBool());
    EXPECT_EQ(events, std::vector<QString>{"Page.seen@s1"});
    EXPECT_TRUE(connection.isOpen());
}

TEST_F(CdpConnectionTest, NoReplyInTimeIsATimeoutAndTheLateReplyIsDropped) {
    connection.setRequestTimeout(100);
    auto outcome = send("Slow.call");
    ASSERT_TRUE(waitForReceived(1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcome->reply.has_value(); }, 2000));
    EXPECT_EQ(outcome->reply->failure, OpenFailure::Timeout);
    fake.reply(fake.received[0], {});
    auto probe = send("After.late");
    ASSERT_TRUE(waitForReceived(2));
    fake.reply(fake.received[1], {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return probe->reply.has_value(); }, 2000));
    EXPECT_EQ(outcome->calls, 1);
}

TEST_F(CdpConnectionTest, DroppedConnectionFailsEveryPendingCommandOnce) {
    auto a = send("A.one");
    auto b = send("B.two");
    ASSERT_TRUE(waitForReceived(2));
    fake.drop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return a->reply && b->reply; }, 3000));
    EXPECT_EQ(a->reply->failure, OpenFailure::ConnectionLost);
    EXPECT_EQ(b->reply->failure, OpenFailure::ConnectionLost);
    EXPECT_EQ(lostCount, 1);
    EXPECT_TRUE(connection.isIdle());

    // Commands after the loss fail too, but never from inside send().
    auto c = send("C.three");
    EXPECT_FALSE(c->reply.has_value());
    ASSERT_TRUE(QTest::qWaitFor([&] { return c->reply.has_value(); }, 1000));
    EXPECT_EQ(c->reply->failure, OpenFailure::ConnectionLost);
    QTest::qWait(50);
    EXPECT_EQ(a->calls + b->calls + c->calls, 3);
}

TEST(CdpConnectionOpen, NothingListeningOrNoHandshakeFailsTheOpen) {
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    const quint16 silentPort = silent.serverPort();
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 closedPort = closed.serverPort();
    closed.close();

    for (quint16 port : {closedPort, silentPort}) {
        CdpConnection connection;
        connection.setRequestTimeout(200);
        int failed = 0, opened = 0;
        QObject::connect(&connection, &CdpConnection::openFailed, [&] { ++failed; });
        QObject::connect(&connection, &CdpConnection::opened, [&] { ++opened; });
        connection.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/devtools/browser/x").arg(port)));
        EXPECT_TRUE(QTest::qWaitFor([&] { return failed > 0; }, 3000)) << port;
        QTest::qWait(250);
        EXPECT_EQ(failed, 1) << port;
        EXPECT_EQ(opened, 0) << port;
        EXPECT_TRUE(connection.isIdle());
    }
}

} // namespace
