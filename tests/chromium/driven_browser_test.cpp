// The browser port over both protocols, each against its fake browser: what
// the shared model decides must come out the same whichever protocol fed it.
#include "platform/chromium/chromium_browser.h"
#include "platform/firefox/firefox_browser.h"
#include "platform/firefox/firefox_launch.h"

#include "../firefox/fake_bidi.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kurumin;

namespace {

struct Chromium {
    FakeBrowser fake;
    static constexpr const char* brand = " - Chromium";
    static constexpr qint64 process = 0; // not asked of Chromium
    bool writePortFile(const QString& folder) { return ::writePortFile(folder, fake.port()); }
    static constexpr auto make = createChromiumBrowser;
    bool followed() const { return fake.autoAttach; }
    QString add(const QString& url, const QString& title) { return fake.addPage(url, title); }
    void tell(const QString& id, bool visible, bool focus, const QString&) {
        fake.tell(id, QString(visible ? "visible" : "hidden") + (focus ? " focus" : ""));
    }
    size_t opensAsked() const { return fake.withMethod("Target.createTarget").size(); }
};

struct Firefox {
    FakeFirefox fake;
    static constexpr const char* brand = " \u2014 Mozilla Firefox";
    static constexpr qint64 process = 777;
    bool writePortFile(const QString& folder) {
        return fake.writePortFile(folder) &&
               QFile::link("127.0.0.1:+777", folder + "/firefox-profile/lock");
    }
    static constexpr auto make = createFirefoxBrowser;
    bool followed() const { return !fake.channel.isEmpty(); }
    QString add(const QString& url, const QString& title) {
        const QString id = QString("C%1").arg(fake.tree.size() + 100);
        fake.tree.append(tab(id, url));
        fake.bidiEvent("browsingContext.contextCreated", fake.tree.last().toObject());
        titles[id] = title;
        return id;
    }
    void tell(const QString& id, bool visible, bool focus, const QString& title) {
        fake.tell(id, visible ? "visible" : "hidden", focus, title.isEmpty() ? titles[id] : title);
    }
    size_t opensAsked() const { return fake.withMethod("browsingContext.create").size(); }
    QHash<QString, QString> titles;
};

template <typename Protocol>
class BrowserPortTest : public ::testing::Test, protected NoBrowser<DrivenBrowserOptions> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        options.requestTimeoutMs = 2000;
        options.desktop = &desktop;
        ASSERT_TRUE(peer.writePortFile(folder.path()));
        port = Protocol::make(options, shell);
        port->setFrontPageHandler([this] {
            EXPECT_FALSE(reading);
            ++frontChanges;
        });
    }
    bool attached() {
        port->pages();
        return soon([&] { return port->isConnected() && peer.followed(); });
    }
    QString front() {
        reading = true;
        const auto page = port->frontPage();
        reading = false;
        return page ? page->title : QString("none");
    }
    void toFront(WindowHandle window, const QString& title, qint64 process = Protocol::process) {
        desktop.titles[window] = (title + Protocol::brand).toUtf8();
        desktop.processes[window] = process;
        desktop.bringToFront(window);
    }

    kurumin::fake::WindowSystem desktop;
    Protocol peer;
    std::unique_ptr<DrivenBrowser> port;
    bool reading = false;
    int frontChanges = 0;
};

using Protocols = ::testing::Types<Chromium, Firefox>;
TYPED_TEST_SUITE(BrowserPortTest, Protocols);

TYPED_TEST(BrowserPortTest, OpensEachPageInANewWindowAndFailsOnceWhenRefusedOrLost) {
    auto& browser = *this->port;
    auto a = openOn(browser, "one.example/a");
    auto bad = openOn(browser, "https://fail.example/");
    ASSERT_TRUE(settled(a, bad));
    EXPECT_TRUE(a->result->ok());
    EXPECT_EQ(bad->result->failure, OpenFailure::BrowserError);
    EXPECT_EQ(browser.startedProcess(), 0);
    // Firefox keeps the window whose address was refused.
    EXPECT_TRUE(soon([&] {
        const auto list = browser.pages();
        return !list.empty() && list[0].url == "http://one.example/a";
    }));

    this->peer.fake.mute = true;
    auto lost = openOn(browser, "https://two.example/");
    ASSERT_TRUE(soon([&] { return this->peer.opensAsked() == 3; }));
    this->peer.fake.drop();
    this->peer.fake.mute = false;
    ASSERT_TRUE(settled(lost));
    EXPECT_EQ(lost->result->failure, OpenFailure::ConnectionLost);
    EXPECT_TRUE(browser.pages().empty());
    // Listing alone finds the browser again, with its pages.
    EXPECT_TRUE(soon([&] { return browser.isConnected() && !browser.pages().empty(); }));
    auto again = openOn(browser, "https://two.example/");
    ASSERT_TRUE(settled(again));
    EXPECT_TRUE(again->result->ok());
    EXPECT_EQ(a->calls + bad->calls + lost->calls, 3);
    EXPECT_TRUE(this->shell.opened.empty());
}

// The front tab of the window in front counts whatever holds the focus in
// that window, as soon as the desktop or the page tells, with nothing asked.
TYPED_TEST(BrowserPortTest, TheFrontPageIsTheVisibleTabOfTheFrontWindowAndNothingElse) {
    auto& fake = this->peer;
    ASSERT_TRUE(this->attached());
    const QString one = fake.add("https://one.example/", "One");
    const QString two = fake.add("https://two.example/", "Two");
    const QString other = fake.add("https://x.example/", "X");
    fake.tell(one, false, false, "");
    fake.tell(two, true, false, ""); // the address bar has the focus
    fake.tell(other, true, false, "");
    this->toFront(0x42, "Two");
    ASSERT_TRUE(soon([&] { return this->front() == "Two"; }));
    EXPECT_EQ(this->port->frontPage()->window, 0x42u);
    EXPECT_EQ(this->port->frontPage()->url, "https://two.example/");
    ASSERT_TRUE(soon([&] { return this->frontChanges == 1; }));

    // A tab switch in the window in front: the pages tell, the title follows.
    fake.tell(two, false, false, "");
    fake.tell(one, true, true, "");
    this->toFront(0x42, "One");
    EXPECT_TRUE(soon([&] { return this->front() == "One"; }));
    // Another program, or the panel named like a page, is in front: no page counts.
    this->desktop.titles[0x44] = "a terminal";
    this->desktop.bringToFront(0x44);
    EXPECT_EQ(this->front(), "none");
    this->desktop.titles[0x44] = "One";
    this->desktop.bringToFront(0x44);
    EXPECT_EQ(this->front(), "none");

    // A window come to the front before its page could tell: the one page of its title.
    this->toFront(0x46, "Two");
    EXPECT_EQ(this->front(), "Two");

    // Two windows showing one title: the one whose page has the focus.
    const QString twin = fake.add("https://y.example/", "One");
    fake.tell(twin, true, true, "One");
    fake.tell(one, true, false, "");
    this->toFront(0x45, "One");
    EXPECT_TRUE(soon([&] { return this->port->frontPage()->url == "https://y.example/"; }));

    // However often the pages tell, the front is told of once per change that matters.
    QTest::qWait(20);
    const int changes = this->frontChanges;
    for (int i = 0; i < 50; ++i) {
        fake.tell(other, i % 2 == 0, i % 2 == 0, "");
        this->desktop.bringToFront(0x45);
    }
    QTest::qWait(100);
    EXPECT_EQ(this->frontChanges, changes);
}

// What is Chromium's own: a page alone with its title tells once; pages sharing
// a title are followed through their changes, one world per document; only
// pages are asked about.
using ChromiumPortTest = BrowserPortTest<Chromium>;

TEST_F(ChromiumPortTest, APageIsFollowedWhileAnotherSharesItsTitleAndOnlyPagesAreAskedFor) {
    ASSERT_TRUE(attached());
    const auto waits = [&] { return peer.fake.withMethod("Runtime.evaluate").size(); };
    const auto worlds = [&] { return peer.fake.withMethod("Page.createIsolatedWorld").size(); };
    const QString one = peer.add("https://one.example/", "One");
    ASSERT_TRUE(soon([&] { return waits() == 1; }));
    peer.tell(one, true, true, "");
    peer.fake.navigate(one);
    QTest::qWait(50);
    EXPECT_EQ(waits() + worlds(), 2u);
    EXPECT_TRUE(peer.fake.waiting.empty());

    // A twin: both are asked again, from what each last told, and wait.
    const QString twin = peer.add("https://twin.example/", "One");
    ASSERT_TRUE(soon([&] { return peer.fake.waiting.size() == 2; }));
    for (int i = 0; i < 3; ++i) { // each change answered, and waited for again
        const size_t before = waits();
        peer.tell(twin, i != 1, i == 2, "");
        ASSERT_TRUE(soon([&] { return waits() > before; }));
    }
    toFront(0x42, "One");
    ASSERT_TRUE(soon([&] { return port->frontPage() && port->frontPage()->url.contains("twin"); }));
    const size_t made = worlds();
    for (size_t i = 1; i < 4; ++i) { // however many documents come, each is followed
        ASSERT_TRUE(soon([&] { return peer.fake.waiting.size() == 2; }));
        peer.fake.navigate(one);
        ASSERT_TRUE(soon([&] { return worlds() == made + i; }));
    }
    for (const char* asked : {"Target.setDiscoverTargets", "Target.setAutoAttach"}) {
        const QJsonObject params = peer.fake.withMethod(asked).front()["params"].toObject();
        EXPECT_EQ(params["filter"].toArray().at(0)["type"].toString(), "page") << asked;
    }
}

// A title the page set without a word: the browser's listing has it, asked for once the
// pages just opened have told their state, not before (they tell their titles too).
TEST_F(ChromiumPortTest, AnUnannouncedTitleIsAskedForOnlyOnceEveryPageHasToldTheLikeliestFirst) {
    ASSERT_TRUE(attached());
    const QString one = peer.add("https://one.example/", "One");
    peer.tell(one, true, true, "");
    ASSERT_TRUE(soon([&] { return peer.fake.withMethod("Runtime.evaluate").size() == 1; }));
    peer.fake.quiet = true;
    const QString two = peer.add("https://two.example/", "Two");
    ASSERT_TRUE(soon([&] { return port->pages().size() == 2; }));
    peer.fake.infos[0] = pageInfo(one, "https://one.example/", "Uno");
    toFront(0x42, "Uno");
    QTest::qWait(300);
    EXPECT_EQ(front(), "none");
    EXPECT_TRUE(peer.fake.withMethod("Target.getTargets").empty());
    peer.fake.speak();
    // The page that told last with the focus is asked about alone; the
    // listing of every page follows only when its entry tells nothing new.
    ASSERT_TRUE(soon([&] { return front() == "Uno"; }));
    EXPECT_EQ(peer.fake.withMethod("Target.getTargetInfo").size(), 1u);
    EXPECT_TRUE(peer.fake.withMethod("Target.getTargets").empty());
    peer.fake.infos[1] = pageInfo(two, "https://two.example/", "Dos");
    toFront(0x43, "Dos");
    ASSERT_TRUE(soon([&] { return front() == "Dos"; }));
    EXPECT_EQ(peer.fake.withMethod("Target.getTargetInfo").size(), 2u);
    EXPECT_EQ(peer.fake.withMethod("Target.getTargets").size(), 1u);
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
    ASSERT_TRUE(writeFile(marionettePortFile(profile.path()), "{}"));
    BrowserConnection connection;
    FirefoxProtocol protocol(connection);
    ASSERT_TRUE(protocol.prepare(profile.path()));
    EXPECT_FALSE(QFile::exists(marionettePortFile(profile.path())));
    // The browser's process from its lock, the port tests' Firefox peer gives.
}

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

// What is Firefox's own: its one session, and reports of its tabs.
class FirefoxPortTest : public BrowserPortTest<Firefox> {
  protected:
    FakeFirefox& fake = peer.fake;
    auto fronts() { return std::ranges::count_if(port->pages(), &BrowserPage::inFront); }
};

// The session is made over Marionette, leaves dialogs to the user and goes
// with that connection, however the run ends; one refused is not retried.
TEST_F(FirefoxPortTest, TheSessionLeavesDialogsAloneGoesWithThePanelAndARefusalFailsOnce) {
    fake.sessionTaken = true;
    auto refused = openOn(*port, "https://one.example/");
    ASSERT_TRUE(settled(refused));
    EXPECT_EQ(refused->result->detail, "Maximum number of active sessions");
    EXPECT_TRUE(fake.withMethod("browsingContext.create").empty());

    // A session whose socket cannot be reached is given back.
    fake.socketPort = deadPort();
    fake.sessionTaken = false;
    auto unreachable = openOn(*port, "https://one.example/");
    ASSERT_TRUE(settled(unreachable));
    EXPECT_TRUE(soon([&] { return !fake.sessionTaken; }));

    fake.socketPort = 0;
    auto a = openOn(*port, "one.example/a");
    auto slow = openOn(*port, "https://hang.example/"); // started is enough
    ASSERT_TRUE(settled(a, slow));
    EXPECT_TRUE(a->result->ok() && slow->result->ok());
    EXPECT_EQ(fake.sessionsAsked.back()["unhandledPromptBehavior"].toString(), "ignore");
    EXPECT_TRUE(fake.sessionsAsked.back()["webSocketUrl"].toBool());
    EXPECT_EQ(fake.received.at(0)["method"].toString(), "session.subscribe");
    const QJsonObject create = fake.withMethod("browsingContext.create").at(0);
    const QJsonObject navigate = fake.withMethod("browsingContext.navigate").at(0);
    EXPECT_EQ(create["params"]["type"].toString(), "window");
    EXPECT_EQ(navigate["params"]["wait"].toString(), "none");

    port.reset();
    EXPECT_TRUE(soon([&] { return !fake.sessionTaken; }));
    port = createFirefoxBrowser(options, shell);
    auto next = openOn(*port, "https://two.example/");
    ASSERT_TRUE(settled(next));
    EXPECT_TRUE(next->result->ok());
}

TEST_F(FirefoxPortTest, ReportsComeInAnyOrderAndOnlyTheBrowsersOwnWindowCounts) {
    fake.tree = {tab("A", "https://a.example/")};
    port->pages();
    // The tab already open is given the reporter too.
    ASSERT_TRUE(soon([&] { return fake.withMethod("script.callFunction").size() == 1; }));
    // A report ahead of its announcement, a frame, contexts never announced.
    fake.tell("B", "visible", true, "Beta");
    fake.bidiEvent("browsingContext.contextCreated", tab("B", "https://b.example/"));
    fake.bidiEvent("browsingContext.contextCreated", tab("F", "https://frame/", "B"));
    fake.bidiEvent("browsingContext.navigationCommitted", tab("F", "https://frame/2", "B"));
    fake.bidiEvent("browsingContext.navigationCommitted", tab("Z", "https://z.example/"));
    fake.tell("N", "visible", false, "New Tab"); // a page never announced is no tab
    desktop.titles[0x42] = "Beta \u2014 Mozilla Firefox";
    desktop.processes[0x42] = 777;
    desktop.bringToFront(0x42);
    ASSERT_TRUE(soon([&] { return port->pages().size() == 2 && fronts() == 1; }));
    EXPECT_EQ(port->pages()[1].url, "https://b.example/");

    // Another program's window with the same title is not the browser's.
    desktop.titles[0x43] = desktop.titles[0x42];
    desktop.processes[0x43] = 999;
    desktop.bringToFront(0x43);
    EXPECT_EQ(fronts(), 0);

    // An id used again starts afresh; the old document's state is gone with it.
    desktop.bringToFront(0x42);
    fake.bidiEvent("browsingContext.contextDestroyed", tab("B", "https://b.example/"));
    fake.bidiEvent("browsingContext.contextCreated", tab("B", "about:blank"));
    ASSERT_TRUE(soon([&] { return port->pages().size() == 2 && fronts() == 0; }));
}

} // namespace
