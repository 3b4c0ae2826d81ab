#include "platform/browser_link/browser_session.h"

#include "test_support.h"

#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kurumin;

namespace {

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
    ASSERT_TRUE(settled(a, b));
    EXPECT_TRUE(a->result->ok());
    EXPECT_EQ(b->result->failure, OpenFailure::BrowserError);
    EXPECT_EQ(b->result->detail, "Failed to open new tab");
    EXPECT_EQ(announced, std::vector<QString>{"T1 http://127.0.0.1:8080/a"});
    const auto creates = fake.withMethod("Target.createTarget");
    EXPECT_TRUE(creates.at(0)["params"]["newWindow"].toBool());
}

TEST_F(BrowserSessionTest, ALostBrowserFailsWhatWasInFlightOnceAndTheNextOpenConnectsAgain) {
    auto session = make(fake.port());
    session->attachIfRunning();
    ASSERT_TRUE(soon([&] { return session->isConnected(); }));
    auto hanging = openOn(*session, "https://hang.example/");
    ASSERT_TRUE(soon([&] { return fake.withMethod("Target.createTarget").size() == 1; }));
    fake.drop();
    ASSERT_TRUE(settled(hanging));
    EXPECT_EQ(hanging->result->failure, OpenFailure::ConnectionLost);
    auto again = openOn(*session, "https://three.example/");
    ASSERT_TRUE(settled(again));
    EXPECT_TRUE(again->result->ok());
    EXPECT_EQ(session->startedProcess(), 0);
    EXPECT_EQ(hanging->calls, 1);
}

TEST_F(BrowserSessionTest, StalePortFileIsNeverAStartForAListingButAFailedStartFailsEveryOpen) {
    QTcpServer gone;
    ASSERT_TRUE(gone.listen(QHostAddress::LocalHost, 0));
    const quint16 port = gone.serverPort();
    gone.close();
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
