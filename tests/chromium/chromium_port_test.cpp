#include "platform/chromium/browser_launch.h"
#include "platform/chromium/chromium_port.h"

#include "fake_devtools.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

using namespace kurumin;

namespace {

QJsonObject pageInfo(const QString& id, const QString& url, const QString& title = {},
                     const QString& type = "page") {
    return {{"targetId", id}, {"type", type}, {"url", url}, {"title", title}};
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

class ChromiumPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        options.programFolder = folder.path();
        options.requestTimeoutMs = 2000;
        // Never a real browser here: one is only reached through a port file.
        options.programs = {"kurumin-no-such-browser"};
    }
    void writePortFile(quint16 port) {
        const QString profile = folder.path() + "/browser-profile";
        QDir().mkpath(profile);
        QFile file(devToolsPortFile(profile));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::number(port) + "\n/devtools/browser/x\n");
    }
    std::unique_ptr<ChromiumBrowser> make() {
        return std::make_unique<ChromiumBrowser>(options, shell);
    }
    // The fake as the browser behind our port file. New pages are announced, then titled after
    // their host; fail.example is refused and hang.example never answered. With `focused`,
    // each page session answers whether its page has focus.
    std::unique_ptr<ChromiumBrowser> attached(std::function<bool(QString)> focused = {}) {
        writePortFile(fake.port());
        fake.onMessage = [this, focused](const QJsonObject& m) {
            const QString method = m.value("method").toString();
            const QString url = m["params"]["url"].toString();
            if (method == "Target.createTarget" && QUrl(url).host() == "fail.example") {
                fake.replyError(m, "Failed to open new tab");
            } else if (method == "Target.createTarget" && QUrl(url).host() != "hang.example") {
                const QString id = QString("T%1").arg(++created);
                infos.append(pageInfo(id, url, QUrl(url).host()));
                fake.event("Target.targetCreated", {{"targetInfo", pageInfo(id, url)}});
                fake.reply(m, {{"targetId", id}});
            } else if (method == "Target.getTargets") {
                fake.reply(m, {{"targetInfos", infos}});
            } else if (method == "Target.setDiscoverTargets") {
                fake.reply(m, {});
            } else if (focused && method == "Target.attachToTarget" &&
                       m["params"]["flatten"].toBool()) {
                fake.reply(m, {{"sessionId", "S-" + m["params"]["targetId"].toString()}});
            } else if (focused && method == "Runtime.evaluate") {
                const bool value = focused(m["sessionId"].toString());
                fake.reply(m, {{"result", QJsonObject{{"type", "boolean"}, {"value", value}}}});
            }
        };
        return make();
    }
    bool opened(ChromiumBrowser& port, const QStringList& urls) {
        for (const QString& url : urls)
            if (auto o = openOn(port, url); !settled(o) || !o->result->ok()) return false;
        return true;
    }
    std::vector<bool> fronts(ChromiumBrowser& port) {
        std::vector<bool> got;
        for (const auto& p : port.pages())
            got.push_back(p.inFront);
        return got;
    }

    QTemporaryDir folder;
    ChromiumOptions options;
    kurumin::fake::Shell shell;
    FakeDevTools fake;
    int created = 0;
    QJsonArray infos; // the browser's own listing
};

TEST_F(ChromiumPortTest, WithoutABrowserAddressesGoToTheDesktopButScriptAndDataOnesNowhere) {
    auto port = make();
    for (const QString url :
         {"javascript:alert(1)", "data:text/html,<b>x</b>", "  ", "vbscript:msgbox"}) {
        auto refused = openOn(*port, url);
        ASSERT_TRUE(settled(refused)) << url.toStdString();
        EXPECT_EQ(refused->result->failure, OpenFailure::Refused) << url.toStdString();
    }
    auto ok = openOn(*port, " example.org/a ");
    EXPECT_TRUE(shell.opened.empty()); // never from inside openPage
    ASSERT_TRUE(settled(ok));
    EXPECT_TRUE(ok->result->ok());
    EXPECT_EQ(shell.opened, (std::vector<QStringList>{{"http://example.org/a", ""}}));

    shell.succeed = false;
    auto failed = openOn(*port, "https://example.org/b");
    ASSERT_TRUE(settled(failed));
    EXPECT_EQ(failed->result->failure, OpenFailure::NoBrowser);
}

TEST_F(ChromiumPortTest, OpensQueuedWhileConnectingAreSentAsNewWindowsAndAnsweredEach) {
    auto port = attached();
    auto a = openOn(*port, "127.0.0.1:8080/a");
    auto b = openOn(*port, "https://fail.example/");
    ASSERT_TRUE(settled(a, b));
    EXPECT_TRUE(a->result->ok());
    EXPECT_EQ(b->result->failure, OpenFailure::BrowserError);
    EXPECT_EQ(b->result->detail, "Failed to open new tab");
    const auto creates = fake.withMethod("Target.createTarget");
    ASSERT_EQ(creates.size(), 2u);
    EXPECT_EQ(creates[0]["params"]["url"].toString(), "http://127.0.0.1:8080/a");
    EXPECT_TRUE(creates[0]["params"]["newWindow"].toBool());
}

TEST_F(ChromiumPortTest, ListingAttachesToTheRunningBrowserAndFollowsItsTargetEvents) {
    auto port = attached();
    EXPECT_TRUE(port->pages().empty());
    ASSERT_TRUE(soon([&] { return port->isConnected(); }));
    fake.event("Target.targetCreated", {{"targetInfo", pageInfo("P1", "https://one.example/")}});
    fake.event("Target.targetCreated",
               {{"targetInfo", pageInfo("W", "https://sw/", "", "service_worker")}});
    fake.event("Target.targetCreated", {{"targetInfo", pageInfo("P2", "about:blank")}});
    fake.event("Target.targetInfoChanged",
               {{"targetInfo", pageInfo("P2", "https://two.example/", "Two")}});
    fake.event("Target.targetDestroyed", {{"targetId", "P1"}});
    const auto listIs = [&](const QString& title) {
        return soon([&] {
            const auto l = port->pages();
            return l.size() == 1 && l[0].title == title && l[0].url == "https://two.example/";
        });
    };
    ASSERT_TRUE(listIs("Two"));

    // A title change the browser did not announce still shows, from its listing.
    infos = {pageInfo("P2", "https://two.example/", "Two, loaded"),
             pageInfo("W", "https://sw/", "", "service_worker")};
    EXPECT_TRUE(listIs("Two, loaded"));
}

TEST_F(ChromiumPortTest, FrontPageIsAskedOfCandidatePagesOnlyAndOnlyWhenTheDesktopChanges) {
    kurumin::fake::WindowSystem desktop;
    desktop.foreground = 0x42;
    desktop.titles[0x42] = "two.exam"; // cut short
    options.desktop = &desktop;
    options.focusRefreshMs = 0;
    auto port = attached([](const QString& session) { return session == "S-T2"; });
    ASSERT_TRUE(
        opened(*port, {"https://two.example.org/", "https://two.example/", "https://x.org/"}));
    ASSERT_TRUE(soon([&] { return fronts(*port) == std::vector{false, true, false}; }));
    EXPECT_FALSE(QTest::qWaitFor([&] { return port->pages().size() != 3; }, 100)); // read often
    const auto asked = fake.withMethod("Runtime.evaluate");
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0]["sessionId"].toString(), "S-T1");
    EXPECT_EQ(asked[1]["sessionId"].toString(), "S-T2");

    desktop.titles[0x43] = "a terminal";
    desktop.foreground = 0x43;
    EXPECT_TRUE(soon([&] { return fronts(*port) == std::vector{false, false, false}; }));
    EXPECT_EQ(fake.withMethod("Runtime.evaluate").size(), 2u);
    EXPECT_EQ(fake.withMethod("Target.attachToTarget").size(), 2u); // sessions are kept
}

TEST_F(ChromiumPortTest, LostBrowserEmptiesTheListAndTheNextOpenConnectsAgain) {
    auto port = attached();
    ASSERT_TRUE(opened(*port, {"https://one.example/"}));
    ASSERT_EQ(port->pages().size(), 1u);
    auto hanging = openOn(*port, "https://hang.example/");
    ASSERT_TRUE(soon([&] { return fake.withMethod("Target.createTarget").size() == 2; }));
    fake.drop();
    ASSERT_TRUE(settled(hanging));
    EXPECT_EQ(hanging->result->failure, OpenFailure::ConnectionLost);
    EXPECT_TRUE(port->pages().empty());

    ASSERT_TRUE(opened(*port, {"https://three.example/"}));
    EXPECT_EQ(fake.withMethod("Target.setDiscoverTargets").size(), 2u);
    EXPECT_EQ(hanging->calls, 1);
}

TEST_F(ChromiumPortTest, StalePortFileIsNeverAStartForAListingButAFailedStartFailsEveryOpen) {
    QTcpServer gone;
    ASSERT_TRUE(gone.listen(QHostAddress::LocalHost, 0));
    writePortFile(gone.serverPort());
    gone.close();
    options.programs = {"/bin/true"};
    options.startTimeoutMs = 200;
    auto port = make();
    EXPECT_TRUE(port->pages().empty());
    QTest::qWait(100);
    EXPECT_EQ(port->startedProcess(), 0);

    auto a = openOn(*port, "https://one.example/");
    auto b = openOn(*port, "https://two.example/");
    ASSERT_TRUE(settled(a, b));
    EXPECT_EQ(a->result->failure, OpenFailure::StartFailed);
    EXPECT_EQ(b->result->failure, OpenFailure::StartFailed);
    EXPECT_NE(port->startedProcess(), 0);
    EXPECT_FALSE(QFile::exists(devToolsPortFile(port->profileFolder())));
    EXPECT_TRUE(shell.opened.empty());
}

TEST_F(ChromiumPortTest, ABrowserTooSlowToAnswerIsNeverStartedASecondTime) {
    QTcpServer silent; // accepts, never shakes hands
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    writePortFile(silent.serverPort());
    options.programs = {"/bin/true"};
    options.requestTimeoutMs = 200;
    auto port = make();
    auto a = openOn(*port, "https://one.example/");
    ASSERT_TRUE(settled(a));
    EXPECT_EQ(a->result->failure, OpenFailure::Timeout);
    EXPECT_EQ(port->startedProcess(), 0);
    EXPECT_TRUE(QFile::exists(devToolsPortFile(port->profileFolder())));
}

} // namespace
