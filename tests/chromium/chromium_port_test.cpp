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

void writePortFile(const QString& programFolder, const QByteArray& contents) {
    const QString profile = programFolder + "/browser-profile";
    QDir().mkpath(profile);
    QFile file(devToolsPortFile(profile));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

QJsonObject pageInfo(const QString& id, const QString& url, const QString& title = {},
                     const QString& type = "page") {
    return {{"targetId", id}, {"type", type}, {"url", url}, {"title", title}};
}

TEST(DevToolsPortFile, OnlyThePortAndBrowserPathTheBrowserWritesAreAccepted) {
    const auto url = parseDevToolsPort("41234\n/devtools/browser/6f1c-aa09\n");
    ASSERT_TRUE(url.has_value());
    EXPECT_EQ(url->toString(), "ws://127.0.0.1:41234/devtools/browser/6f1c-aa09");
    EXPECT_FALSE(parseDevToolsPort(""));
    EXPECT_FALSE(parseDevToolsPort("41234\n"));
    EXPECT_FALSE(parseDevToolsPort("0\n/devtools/browser/a\n"));
    EXPECT_FALSE(parseDevToolsPort("70000\n/devtools/browser/a\n"));
    EXPECT_FALSE(parseDevToolsPort("port\n/devtools/browser/a\n"));
    EXPECT_FALSE(parseDevToolsPort("41234\n/devtools/page/a\n"));
    EXPECT_FALSE(parseDevToolsPort("41234\n/devtools/browser/a@evil.example/x\n"));
    EXPECT_FALSE(parseDevToolsPort("41234\n/devtools/browser/../../x\n"));
}

class ChromiumPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        options.programFolder = folder.path();
        options.requestTimeoutMs = 2000;
        // Never a real browser here: a browser is only reached through the fake's port file.
        options.programs = {"kurumin-no-such-browser"};
    }
    void attachToFake() {
        writePortFile(folder.path(), QByteArray::number(fake.port()) + "\n/devtools/browser/x\n");
    }
    std::unique_ptr<ChromiumBrowser> make() {
        return std::make_unique<ChromiumBrowser>(options, shell);
    }
    // The fake answers createTarget with a fresh id and announces the page first.
    void answerCreates() {
        fake.onMessage = [this](const QJsonObject& m) {
            const QString method = m.value("method").toString();
            if (method == "Target.createTarget") {
                const QString id = QString("T%1").arg(++created);
                const QString url = m.value("params")["url"].toString();
                // Pages are titled after their host, as a browser shows them.
                infos.append(pageInfo(id, url, QUrl(url).host()));
                fake.event("Target.targetCreated", {{"targetInfo", pageInfo(id, url)}});
                fake.reply(m, {{"targetId", id}});
            } else if (method == "Target.getTargets") {
                fake.reply(m, {{"targetInfos", infos}});
            } else if (method == "Target.setDiscoverTargets") {
                fake.reply(m, {});
            }
        };
    }

    QTemporaryDir folder;
    ChromiumOptions options;
    kurumin::fake::Shell shell;
    FakeDevTools fake;
    int created = 0;
    QJsonArray infos; // every page created, for the browser's listing
};

TEST_F(ChromiumPortTest, ScriptAndDataAddressesAreRefusedLaterAndNeverHandedOn) {
    attachToFake();
    auto port = make();
    for (const QString url :
         {"javascript:alert(1)", "data:text/html,<b>x</b>", "  ", "vbscript:msgbox"}) {
        auto outcome = openOn(*port, url);
        EXPECT_FALSE(outcome->result.has_value()) << url.toStdString();
        ASSERT_TRUE(QTest::qWaitFor([&] { return outcome->result.has_value(); }, 1000));
        EXPECT_EQ(outcome->result->failure, OpenFailure::Refused) << url.toStdString();
    }
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_FALSE(fake.hasClient());
}

TEST_F(ChromiumPortTest, WithoutABrowserTheNormalisedAddressGoesToTheDesktop) {
    auto port = make();
    auto ok = openOn(*port, " example.org/a ");
    EXPECT_TRUE(shell.opened.empty()); // not from inside openPage either
    ASSERT_TRUE(QTest::qWaitFor([&] { return ok->result.has_value(); }, 1000));
    EXPECT_TRUE(ok->result->ok());
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], (QStringList{"http://example.org/a", ""}));

    shell.succeed = false;
    auto failed = openOn(*port, "https://example.org/b");
    ASSERT_TRUE(QTest::qWaitFor([&] { return failed->result.has_value(); }, 1000));
    EXPECT_EQ(failed->result->failure, OpenFailure::NoBrowser);
}

TEST_F(ChromiumPortTest, OpensQueuedWhileConnectingAreAllSentAsNewWindows) {
    attachToFake();
    answerCreates();
    auto port = make();
    auto a = openOn(*port, "127.0.0.1:8080/a");
    auto b = openOn(*port, "https://example.org/b");
    ASSERT_TRUE(QTest::qWaitFor([&] { return a->result && b->result; }, 3000));
    EXPECT_TRUE(a->result->ok());
    EXPECT_TRUE(b->result->ok());
    EXPECT_EQ(fake.withMethod("Target.setDiscoverTargets").size(), 1u);
    const auto creates = fake.withMethod("Target.createTarget");
    ASSERT_EQ(creates.size(), 2u);
    EXPECT_EQ(creates[0]["params"]["url"].toString(), "http://127.0.0.1:8080/a");
    EXPECT_TRUE(creates[0]["params"]["newWindow"].toBool());
    EXPECT_EQ(creates[1]["params"]["url"].toString(), "https://example.org/b");
    EXPECT_EQ(port->startedProcess(), 0); // attached, not started
    EXPECT_EQ(port->pages().size(), 2u);
}

TEST_F(ChromiumPortTest, ListingAttachesToARunningBrowserButNeverStartsOne) {
    options.programs = {"true"}; // would "start" at once if a listing ever tried
    writePortFile(folder.path(), "1\n/devtools/browser/gone\n");
    auto port = make();
    EXPECT_TRUE(port->pages().empty());
    QTest::qWait(300);
    EXPECT_EQ(port->startedProcess(), 0);

    attachToFake();
    answerCreates();
    auto fresh = make();
    fresh->pages();
    ASSERT_TRUE(QTest::qWaitFor([&] { return fresh->isConnected(); }, 3000));
    EXPECT_EQ(fresh->startedProcess(), 0);
}

TEST_F(ChromiumPortTest, PageListFollowsTheBrowsersTargetEvents) {
    attachToFake();
    answerCreates();
    auto port = make();
    auto a = openOn(*port, "https://one.example/");
    ASSERT_TRUE(QTest::qWaitFor([&] { return a->result.has_value(); }, 3000));

    fake.event("Target.targetCreated",
               {{"targetInfo", pageInfo("W", "https://sw/", "", "service_worker")}});
    fake.event("Target.targetCreated", {{"targetInfo", pageInfo("P2", "about:blank")}});
    fake.event("Target.targetInfoChanged",
               {{"targetInfo", pageInfo("P2", "https://two.example/", "Two")}});
    fake.event("Target.targetDestroyed", {{"targetId", "T1"}});
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto list = port->pages();
            return list.size() == 1 && list[0].title == "Two";
        },
        3000));
    const auto list = port->pages();
    EXPECT_EQ(list[0].url, "https://two.example/");
    EXPECT_EQ(list[0].window, 0u);

    // A title change the browser did not announce still shows, from its listing.
    fake.onMessage = [&](const QJsonObject& m) {
        if (m.value("method").toString() != "Target.getTargets") return;
        fake.reply(
            m, {{"targetInfos", QJsonArray{pageInfo("P2", "https://two.example/", "Two, loaded"),
                                           pageInfo("W", "https://sw/", "", "service_worker")}}});
    };
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const auto now = port->pages();
            return now.size() == 1 && now[0].title == "Two, loaded";
        },
        5000));
}

TEST_F(ChromiumPortTest, FrontPageComesFromEachPagesOwnSession) {
    attachToFake();
    answerCreates();
    auto base = fake.onMessage;
    fake.onMessage = [&](const QJsonObject& m) {
        const QString method = m.value("method").toString();
        if (method == "Target.attachToTarget") {
            EXPECT_TRUE(m["params"]["flatten"].toBool());
            fake.reply(m, {{"sessionId", "S-" + m["params"]["targetId"].toString()}});
        } else if (method == "Runtime.evaluate") {
            EXPECT_EQ(m["params"]["expression"].toString(), "document.hasFocus()");
            const bool focused = m["sessionId"].toString() == "S-T2";
            fake.reply(m, {{"result", QJsonObject{{"type", "boolean"}, {"value", focused}}}});
        } else {
            base(m);
        }
    };
    options.focusRefreshMs = 0;
    auto port = make();
    auto a = openOn(*port, "https://one.example/");
    auto b = openOn(*port, "https://two.example/");
    ASSERT_TRUE(QTest::qWaitFor([&] { return a->result && b->result; }, 3000));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto list = port->pages();
            return list.size() == 2 && !list[0].inFront && list[1].inFront;
        },
        3000));
    // Sessions are kept: one attach per page however often the list is read.
    for (int i = 0; i < 5; ++i) {
        port->pages();
        QTest::qWait(20);
    }
    EXPECT_EQ(fake.withMethod("Target.attachToTarget").size(), 2u);
    EXPECT_GE(fake.withMethod("Runtime.evaluate").size(), 4u);
}

TEST_F(ChromiumPortTest, OnlyPagesTheFrontWindowCouldShowAreAskedAndOnlyWhenItChanges) {
    attachToFake();
    answerCreates();
    auto base = fake.onMessage;
    fake.onMessage = [&](const QJsonObject& m) {
        const QString method = m.value("method").toString();
        if (method == "Target.attachToTarget")
            fake.reply(m, {{"sessionId", "S-" + m["params"]["targetId"].toString()}});
        else if (method == "Runtime.evaluate")
            fake.reply(m, {{"result", QJsonObject{{"type", "boolean"}, {"value", true}}}});
        else
            base(m);
    };
    kurumin::fake::WindowSystem desktop;
    desktop.foreground = 0x42;
    desktop.titles[0x42] = "two.example - Chromium";
    options.desktop = &desktop;
    options.focusRefreshMs = 0;
    auto port = make();
    auto a = openOn(*port, "https://one.example/");
    auto b = openOn(*port, "https://two.example/");
    ASSERT_TRUE(QTest::qWaitFor([&] { return a->result && b->result; }, 3000));
    const auto frontIs = [&](const std::vector<bool>& want) {
        return QTest::qWaitFor(
            [&] {
                std::vector<bool> got;
                for (const auto& p : port->pages())
                    got.push_back(p.inFront);
                return got == want;
            },
            3000);
    };
    ASSERT_TRUE(frontIs({false, true}));
    for (int i = 0; i < 5; ++i) {
        port->pages();
        QTest::qWait(20);
    }
    const auto asked = fake.withMethod("Runtime.evaluate");
    ASSERT_EQ(asked.size(), 1u); // nothing moved on the desktop since
    EXPECT_EQ(asked[0]["sessionId"].toString(), "S-T2");

    desktop.titles[0x43] = "a terminal";
    desktop.foreground = 0x43;
    EXPECT_TRUE(frontIs({false, false}));
    EXPECT_EQ(fake.withMethod("Runtime.evaluate").size(), 1u);
}

TEST_F(ChromiumPortTest, ErrorReplyToAnOpenIsABrowserError) {
    attachToFake();
    fake.onMessage = [&](const QJsonObject& m) {
        if (m.value("method").toString() == "Target.createTarget")
            fake.replyError(m, "Failed to open new tab");
    };
    auto port = make();
    auto outcome = openOn(*port, "https://example.org/");
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcome->result.has_value(); }, 3000));
    EXPECT_EQ(outcome->result->failure, OpenFailure::BrowserError);
    EXPECT_EQ(outcome->result->detail, "Failed to open new tab");
}

TEST_F(ChromiumPortTest, LostBrowserEmptiesTheListAndTheNextOpenConnectsAgain) {
    attachToFake();
    answerCreates();
    auto port = make();
    auto first = openOn(*port, "https://one.example/");
    ASSERT_TRUE(QTest::qWaitFor([&] { return first->result.has_value(); }, 3000));
    ASSERT_EQ(port->pages().size(), 1u);

    fake.onMessage = nullptr; // the next open hangs until the drop
    auto hanging = openOn(*port, "https://two.example/");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return fake.withMethod("Target.createTarget").size() == 2; }, 3000));
    fake.drop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return hanging->result.has_value(); }, 3000));
    EXPECT_EQ(hanging->result->failure, OpenFailure::ConnectionLost);
    EXPECT_TRUE(port->pages().empty());
    EXPECT_FALSE(port->isConnected());

    answerCreates();
    auto again = openOn(*port, "https://three.example/");
    ASSERT_TRUE(QTest::qWaitFor([&] { return again->result.has_value(); }, 3000));
    EXPECT_TRUE(again->result->ok());
    EXPECT_EQ(fake.withMethod("Target.setDiscoverTargets").size(), 2u);
    EXPECT_EQ(hanging->calls, 1);
}

TEST_F(ChromiumPortTest, StalePortFileIsRemovedAndAFailedStartFailsEveryWaitingOpen) {
    QTcpServer gone;
    ASSERT_TRUE(gone.listen(QHostAddress::LocalHost, 0));
    writePortFile(folder.path(), QByteArray::number(gone.serverPort()) + "\n/devtools/browser/x\n");
    gone.close();
    options.programs = {"/bin/true"};
    options.startTimeoutMs = 300;
    auto port = make();
    auto a = openOn(*port, "https://one.example/");
    auto b = openOn(*port, "https://two.example/");
    ASSERT_TRUE(QTest::qWaitFor([&] { return a->result && b->result; }, 5000));
    EXPECT_EQ(a->result->failure, OpenFailure::StartFailed);
    EXPECT_EQ(b->result->failure, OpenFailure::StartFailed);
    EXPECT_FALSE(QFile::exists(devToolsPortFile(port->profileFolder())));
    EXPECT_TRUE(shell.opened.empty());
}

} // namespace
