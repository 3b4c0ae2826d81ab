// The message layer and the session over it, against the fake browsers.
#include "platform/browser_link/browser_connection.h"
#include "platform/browser_link/browser_session.h"

#include "test_support.h"

#include <gtest/gtest.h>

using namespace kurumin;

namespace {

auto send(BrowserConnection& c, const QString& method, const QString& session = {}) {
    auto o = std::make_shared<Outcome<BrowserReply>>();
    c.send(method, {}, Outcome<BrowserReply>::recorder(o), session);
    return o;
}

TEST(BrowserConnection, EachCommandEndsOnceByItsOwnReplyItsDeadlineOrTheLostConnection) {
    FakeBrowser fake; // answers none of the commands sent here
    BrowserConnection connection;
    int lost = 0;
    std::vector<QString> events;
    QObject::connect(&connection, &BrowserConnection::lost, [&] { ++lost; });
    QObject::connect(&connection, &BrowserConnection::notified,
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
    auto a = send(connection, "C.three");
    ASSERT_TRUE(soon([&] { return fake.received.size() == 4; }));
    EXPECT_EQ(fake.received[2].value("sessionId").toString(), "session-7");
    // A late reply and junk change nothing; the string id "2" is not command 2.
    fake.reply(fake.received[0], {});
    for (const QString junk : {"{not json", "[1, 2, 3]", "", R"({"params":{}})",
                               R"({"id":"2","result":{}})", R"({"id":null})", R"({"id":999999})",
                               R"({"id":4.5})", R"({"id":1e300})", R"({"id":-1e300})"})
        fake.sendRaw(junk);
    fake.send({{"method", "Page.seen"}, {"sessionId", "s1"}, {"params", QJsonObject{}}});
    fake.reply(fake.received[2], {{"who", "second"}});
    fake.reply(fake.received[1], {{"who", "first"}});
    ASSERT_TRUE(settled(first, second));
    EXPECT_EQ(first->result->result.value("who").toString(), "first");
    EXPECT_EQ(second->result->result.value("who").toString(), "second");
    EXPECT_EQ(events, std::vector<QString>{"Page.seen@s1"});

    fake.drop();
    ASSERT_TRUE(settled(a));
    EXPECT_EQ(a->result->failure, OpenFailure::ConnectionLost);
    EXPECT_EQ(lost, 1);
    EXPECT_TRUE(connection.isIdle());
    auto after = send(connection, "E.five"); // fails too, but never from inside send()
    EXPECT_FALSE(after->result.has_value());
    ASSERT_TRUE(settled(after));
    EXPECT_EQ(after->result->failure, OpenFailure::ConnectionLost);
    QTest::qWait(50);
    EXPECT_EQ(slow->calls + first->calls + second->calls + a->calls + after->calls, 5);
}

TEST(BrowserConnection, APeerSendingMoreThanTheBrowserEverWouldIsDroppedAndItsCommandsFail) {
    using Shape = HostileDevTools::Shape;
    for (const Shape shape : {Shape::OneFrame, Shape::Fragments}) {
        HostileDevTools hostile(quint64(1) << 40, shape); // a terabyte, never sent whole
        BrowserConnection connection;
        int lost = 0;
        QObject::connect(&connection, &BrowserConnection::lost, [&] { ++lost; });
        connection.setRequestTimeout(30000); // the drop, not a deadline, must end them
        connection.open(hostile.url());
        ASSERT_TRUE(soon([&] { return connection.isOpen(); }));
        auto a = send(connection, "Target.getTargets"), b = send(connection, "Runtime.evaluate");
        ASSERT_TRUE(QTest::qWaitFor([&] { return a->result && b->result; }, 20000));
        EXPECT_EQ(a->result->failure, OpenFailure::ConnectionLost);
        EXPECT_EQ(b->result->failure, OpenFailure::ConnectionLost);
        // What it costs in memory meanwhile, bench_hostile_peer measures.
        EXPECT_TRUE(soon([&] { return hostile.dropped == 1; }));
        EXPECT_EQ(std::pair(lost, a->calls + b->calls), std::pair(1, 2));
    }
}

TEST(BrowserConnection, AListingOfThousandsOfPagesStillComesThrough) {
    FakeBrowser browser;
    for (int i = 0; i < 5000; ++i)
        browser.infos.append(pageInfo(
            QString("T%1").arg(i), "http://example.com/" + QString(900, u'p'), QString(300, u't')));
    BrowserConnection connection;
    connection.open(browser.url());
    ASSERT_TRUE(soon([&] { return connection.isOpen(); }));
    auto listing = send(connection, "Target.getTargets");
    ASSERT_TRUE(QTest::qWaitFor([&] { return listing->result.has_value(); }, 20000));
    ASSERT_TRUE(listing->result->ok()) << qPrintable(listing->result->detail);
    EXPECT_EQ(listing->result->result.value("targetInfos").toArray().size(), 5000);
}

TEST(DevToolsPortFile, OnlyThePortAndBrowserPathTheBrowserWritesAreAccepted) {
    EXPECT_EQ(parseDevToolsPort("41234\n/devtools/browser/6f1c-aa09\n").value_or(QUrl()).toString(),
              "ws://127.0.0.1:41234/devtools/browser/6f1c-aa09");
    for (const char* bad :
         {"", "41234\n", "0\n/devtools/browser/a\n", "70000\n/devtools/browser/a\n",
          "port\n/devtools/browser/a\n", "41234\n/devtools/page/a\n",
          "41234\n/devtools/browser/a@evil.example/x\n", "41234\n/devtools/browser/../../x\n"})
        EXPECT_FALSE(parseDevToolsPort(bad)) << bad;
}

class BrowserSessionTest : public ::testing::Test, protected NoBrowser<BrowserSessionOptions> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        connection.setRequestTimeout(2000);
    }
    std::unique_ptr<BrowserSession> make(quint16 port = 0) {
        if (port) {
            EXPECT_TRUE(writePortFile(folder.path(), port));
        }
        return std::make_unique<BrowserSession>(connection, protocol, options, shell);
    }

    FakeBrowser fake;
    BrowserConnection connection;
    ChromiumProtocol protocol;
};

TEST_F(BrowserSessionTest, WithoutABrowserAddressesGoToTheDesktopButScriptAndDataOnesNowhere) {
    auto session = make();
    for (const QString url : {"javascript:alert(1)", "data:text/html,<b>x</b>", "  "}) {
        auto refused = openOn(*session, url);
        ASSERT_TRUE(settled(refused)) << url.toStdString();
        EXPECT_EQ(refused->result->failure, OpenFailure::Refused) << url.toStdString();
    }
    auto ok = openOn(*session, " example.org/a ");
    EXPECT_TRUE(shell.opened.empty()); // never from inside openPage
    ASSERT_TRUE(settled(ok));
    EXPECT_EQ(shell.opened, (std::vector<QStringList>{{"http://example.org/a", ""}}));
    shell.succeed = false;
    auto failed = openOn(*session, "https://example.org/b");
    ASSERT_TRUE(settled(failed));
    EXPECT_EQ(failed->result->failure, OpenFailure::NoBrowser);
}

TEST_F(BrowserSessionTest, OpensQueuedWhileConnectingAreSentAsNewWindowsAndAnsweredEach) {
    auto session = make(fake.port());
    std::shared_ptr<OpenOutcome> a;
    std::vector<QString> announced;
    QObject::connect(session.get(), &BrowserSession::pageOpened,
                     [&](const QString& id, const QString& url) {
                         EXPECT_FALSE(a->result); // the page is known before its opener hears
                         announced.push_back(id + " " + url);
                     });
    a = openOn(*session, "127.0.0.1:8080/a");
    auto b = openOn(*session, "https://fail.example/");
    ASSERT_TRUE(settled(a, b)); // each one's outcome, the port tests check
    EXPECT_EQ(b->result->detail, "Failed to open new tab");
    EXPECT_EQ(announced, std::vector<QString>{"T1 http://127.0.0.1:8080/a"});
    const auto creates = fake.withMethod("Target.createTarget");
    EXPECT_TRUE(creates.at(0)["params"]["newWindow"].toBool());
}

TEST_F(BrowserSessionTest, StalePortFileIsNeverAStartForAListingButAFailedStartFailsEveryOpen) {
    const quint16 port = deadPort();
    options.programs = {"/bin/true"};
    options.startTimeoutMs = 200;
    auto session = make(port);
    session->attachIfRunning();
    QTest::qWait(100);
    EXPECT_EQ(session->startedProcess(), 0);
    auto a = openOn(*session, "https://one.example/"), b = openOn(*session, "https://two.example/");
    ASSERT_TRUE(settled(a, b));
    EXPECT_EQ(a->result->failure, OpenFailure::StartFailed);
    EXPECT_EQ(b->result->failure, OpenFailure::StartFailed);
    EXPECT_NE(session->startedProcess(), 0);
    EXPECT_FALSE(QFile::exists(devToolsPortFile(session->profileFolder())));
    EXPECT_TRUE(shell.opened.empty());
}

TEST_F(BrowserSessionTest, ABrowserTooSlowToAnswerIsNeverStartedASecondTime) {
    QTcpServer silent; // accepts, never shakes hands
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    options.programs = {"/bin/true"};
    connection.setRequestTimeout(200);
    auto session = make(silent.serverPort());
    auto a = openOn(*session, "https://one.example/");
    ASSERT_TRUE(settled(a));
    EXPECT_EQ(a->result->failure, OpenFailure::Timeout);
    EXPECT_EQ(session->startedProcess(), 0);
    EXPECT_TRUE(QFile::exists(devToolsPortFile(session->profileFolder())));
}

} // namespace
