#include "platform/firefox/firefox_browser.h"

#include "fake_bidi.h"
#include "test_support.h"

#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kurumin;

namespace {

QJsonObject tab(const QString& id, const QString& url, const QJsonValue& parent = QJsonValue()) {
    return {{"context", id}, {"url", url}, {"parent", parent}};
}

TEST(FirefoxLaunch, TheProfileIsReadiedAndOnlyLoopbackEndpointsAreFollowed) {
    EXPECT_EQ(parseMarionettePort("41234\n").value_or(QUrl()).port(), 41234);
    for (const char* bad : {"", "0", "70000", "+2828", "2828x", "0x10"})
        EXPECT_FALSE(parseMarionettePort(bad)) << bad;
    EXPECT_EQ(parseSessionSocket("ws://localhost:41234/session/ab-12").value_or(QUrl()).toString(),
              "ws://127.0.0.1:41234/session/ab-12");
    for (const char* bad : {"", "ws://evil.example:1/session/a", "ws://127.0.0.1:1/other/a",
                            "http://127.0.0.1:1/session/a", "ws://127.0.0.1/session/a",
                            "ws://127.0.0.1:1/session/a/../../b", "ws://u@127.0.0.1:1/session/a"})
        EXPECT_FALSE(parseSessionSocket(bad)) << bad;

    QTemporaryDir profile;
    QFile stale(marionettePortFile(profile.path()));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly) && stale.write("{}") == 2);
    stale.close();
    BrowserConnection connection;
    FirefoxProtocol protocol(connection);
    ASSERT_TRUE(protocol.prepare(profile.path()));
    EXPECT_FALSE(QFile::exists(marionettePortFile(profile.path())));

    EXPECT_EQ(firefoxLockProcess(profile.path()), 0);
    ASSERT_TRUE(QFile::link("127.0.0.1:+4242", profile.path() + "/lock"));
    EXPECT_EQ(firefoxLockProcess(profile.path()), 4242);
}

class FirefoxPortTest : public ::testing::Test, protected NoBrowser<FirefoxOptions> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        options.requestTimeoutMs = 2000;
        options.desktop = &desktop;
        ASSERT_TRUE(fake.writePortFile(folder.path()));
        port = std::make_unique<FirefoxBrowser>(options, shell);
    }
    bool attached() {
        port->pages();
        return soon([&] { return port->isConnected() && !fake.channel.isEmpty(); });
    }
    std::vector<QString> fronts() {
        std::vector<QString> got;
        for (const auto& p : port->pages())
            if (p.inFront) got.push_back(p.title);
        return got;
    }
    void toFront(WindowHandle window, const QByteArray& title, qint64 process) {
        desktop.titles[window] = title;
        desktop.processes[window] = process;
        desktop.bringToFront(window);
    }

    kurumin::fake::WindowSystem desktop;
    FakeFirefox fake;
    std::unique_ptr<FirefoxBrowser> port;
};

TEST_F(FirefoxPortTest, EachPageOpensInANewWindowAndSucceedsOnceItsNavigationHasStarted) {
    auto a = openOn(*port, "one.example/a");
    auto slow = openOn(*port, "https://hang.example/");
    auto bad = openOn(*port, "https://fail.example/");
    ASSERT_TRUE(settled(a, slow, bad));
    EXPECT_TRUE(a->result->ok());
    EXPECT_TRUE(slow->result->ok());
    EXPECT_EQ(bad->result->failure, OpenFailure::BrowserError);
    EXPECT_EQ(bad->result->detail, "not a URL");

    EXPECT_EQ(fake.sessionsAsked.size(), 1u);
    EXPECT_EQ(fake.withMethod("browsingContext.create").size(), 3u);
    const auto navigations = fake.withMethod("browsingContext.navigate");
    EXPECT_EQ(navigations.at(0)["params"]["url"].toString(), "http://one.example/a");
    EXPECT_EQ(port->pages().size(), 3u);
    EXPECT_EQ(port->startedProcess(), 0);

    port.reset(); // however the run ends, its session goes with its connection
    EXPECT_TRUE(soon([&] { return !fake.sessionTaken; }));
    port = std::make_unique<FirefoxBrowser>(options, shell);
    auto next = openOn(*port, "https://two.example/");
    ASSERT_TRUE(settled(next));
    EXPECT_TRUE(next->result->ok());
}

TEST_F(FirefoxPortTest, ARefusedOrLostSessionFailsItsOpensOnceAndTheNextOpenGreetsAgain) {
    fake.sessionTaken = true;
    auto refused = openOn(*port, "https://one.example/");
    ASSERT_TRUE(settled(refused));
    EXPECT_EQ(refused->result->failure, OpenFailure::BrowserError);
    EXPECT_EQ(refused->result->detail, "Maximum number of active sessions");
    EXPECT_TRUE(fake.withMethod("browsingContext.create").empty());
    EXPECT_TRUE(soon([&] { return !port->isConnected(); }));

    // A session whose socket cannot be reached is given back.
    QTcpServer gone;
    ASSERT_TRUE(gone.listen(QHostAddress::LocalHost, 0));
    fake.socketPort = gone.serverPort();
    gone.close();
    fake.sessionTaken = false;
    auto unreachable = openOn(*port, "https://one.example/");
    ASSERT_TRUE(settled(unreachable));
    // With no browser to reach, the desktop opens the page.
    EXPECT_TRUE(unreachable->result->ok() && shell.opened.size() == 1);
    EXPECT_TRUE(soon([&] { return !fake.sessionTaken; }));

    fake.socketPort = 0;
    ASSERT_TRUE(attached());
    fake.mute = true;
    auto lost = openOn(*port, "https://two.example/");
    ASSERT_TRUE(soon([&] { return fake.withMethod("browsingContext.create").size() == 1; }));
    fake.drop();
    ASSERT_TRUE(settled(lost));
    EXPECT_EQ(lost->result->failure, OpenFailure::ConnectionLost);
    EXPECT_TRUE(port->pages().empty());

    EXPECT_TRUE(soon([&] { return !fake.sessionTaken; })); // given back with the socket
    fake.mute = false;
    auto again = openOn(*port, "https://three.example/");
    ASSERT_TRUE(settled(again));
    EXPECT_TRUE(again->result->ok());
    EXPECT_EQ(fake.sessionsAsked.size(), 4u);
    EXPECT_EQ(lost->calls + refused->calls + unreachable->calls, 3);
}

TEST_F(FirefoxPortTest, TabsFollowEventsInAnyOrderAndTheFrontIsTheVisibleTabOfTheFrontWindow) {
    ASSERT_TRUE(QFile::link("127.0.0.1:+777", folder.path() + "/firefox-profile/lock"));
    fake.tree = {tab("A", "https://a.example/")};
    ASSERT_TRUE(attached());
    // The tab already open is given the reporter too.
    EXPECT_TRUE(soon([&] { return fake.withMethod("script.callFunction").size() == 1; }));
    // A report ahead of its announcement, a frame, contexts never announced.
    fake.tell("B", "visible", true, "Beta");
    fake.bidiEvent("browsingContext.contextCreated", tab("B", "https://b.example/"));
    fake.bidiEvent("browsingContext.contextCreated", tab("F", "https://frame/", "B"));
    fake.bidiEvent("browsingContext.navigationCommitted", tab("F", "https://frame/2", "B"));
    fake.bidiEvent("browsingContext.navigationCommitted", tab("Z", "https://z.example/"));
    fake.tell("A", "visible", false, "Alpha");
    fake.tell("N", "visible", false, "New Tab"); // a page never announced is no tab
    toFront(0x42, "Beta \u2014 Mozilla Firefox", 777);
    ASSERT_TRUE(soon([&] { return port->pages().size() == 2 && fronts().size() == 1; }));
    EXPECT_EQ(port->pages()[1].url, "https://b.example/");
    EXPECT_EQ(port->tracker().frontPage()->window, 0x42u);

    // Another program's window with the same title is not the browser's.
    toFront(0x43, "Beta \u2014 Mozilla Firefox", 999);
    EXPECT_TRUE(fronts().empty());
    // Focus in the address bar leaves the tab in front; a tab switch moves it.
    toFront(0x42, "Beta \u2014 Mozilla Firefox", 777);
    fake.tell("B", "visible", false, "Beta");
    ASSERT_TRUE(soon([&] { return fronts() == std::vector<QString>{"Beta"}; }));
    fake.tell("B", "hidden", false, "Beta");
    fake.tell("A", "visible", false, "Alpha");
    toFront(0x42, "Alpha \u2014 Mozilla Firefox", 777);
    ASSERT_TRUE(soon([&] { return fronts() == std::vector<QString>{"Alpha"}; }));

    // An id used again starts afresh; the old document's state is gone with it.
    fake.bidiEvent("browsingContext.contextDestroyed", tab("A", "https://a.example/"));
    fake.bidiEvent("browsingContext.contextCreated", tab("A", "about:blank"));
    ASSERT_TRUE(soon([&] { return fronts().empty(); }));
    EXPECT_EQ(port->pages().size(), 2u);
}

// The browser started by us shows a blank window: the first page goes there.
TEST(FirefoxProtocolAlone, AStartedBrowsersBlankWindowTakesTheFirstPage) {
    QTemporaryDir profile;
    FakeFirefox fake;
    fake.tree = {tab("W", "about:blank")};
    BrowserConnection connection;
    connection.setRequestTimeout(2000);
    FirefoxProtocol protocol(connection);
    ASSERT_TRUE(protocol.prepare(profile.path()));
    connection.open(fake.url());
    ASSERT_TRUE(soon([&] { return connection.isOpen(); }));
    std::vector<QString> opened;
    for (int i = 0; i < 2; ++i)
        protocol.open(connection, "https://one.example/",
                      [&](const OpenResult& r, const QString& id) {
                          opened.push_back(r.ok() ? id : "failed");
                      });
    ASSERT_TRUE(soon([&] { return opened.size() == 2; }));
    EXPECT_EQ(opened, (std::vector<QString>{"W", "C1"}));
    EXPECT_EQ(fake.withMethod("browsingContext.create").size(), 1u);
}

} // namespace
