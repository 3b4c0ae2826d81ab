#include "platform/chromium/page_tracker.h"

#include "fake_devtools.h"
#include "platform/fake/fakes.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace kurumin;

namespace {

class PageTrackerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        connection.setRequestTimeout(2000);
        desktop.foreground = 0x42;
        desktop.titles[0x42] = "two.example - Chromium";
        fake.shown = [this](const QString& session) { return states.value(session, "hidden"); };
    }
    // Once discovery is on, the fake can announce pages.
    bool connected() {
        const auto discovering = fake.withMethod("Target.setDiscoverTargets").size();
        connection.open(fake.url());
        return soon(
            [&] { return fake.withMethod("Target.setDiscoverTargets").size() > discovering; });
    }
    // Which pages count as in front, as a capture tick would read them.
    std::vector<bool> fronts() {
        tracker.refresh();
        return kept();
    }
    // Read without a refresh: what the events alone have kept.
    std::vector<bool> kept() const {
        std::vector<bool> got;
        for (const auto& p : tracker.pages())
            got.push_back(p.inFront);
        return got;
    }
    void retitle(WindowHandle window, const QByteArray& title) {
        desktop.titles[window] = title;
        desktop.bringToFront(window);
    }

    FakeBrowser fake;
    QHash<QString, QString> states; // by page session, what each listener answers
    BrowserConnection connection;
    kurumin::fake::WindowSystem desktop;
    PageTracker tracker{connection, &desktop, 0};
};

TEST_F(PageTrackerTest, FollowsTargetEventsAndForgetsThemWhenLost) {
    desktop.foreground = 0;
    ASSERT_TRUE(connected());
    fake.target("Created", pageInfo("P1", "https://one.example/"));
    fake.target("Created", pageInfo("W", "https://sw/", "", "service_worker"));
    fake.target("Created", pageInfo("P2", "about:blank"));
    fake.target("InfoChanged", pageInfo("P2", "https://two.example/", "Two"));
    fake.event("Target.targetDestroyed", {{"targetId", "P1"}});
    ASSERT_TRUE(soon([&] {
        const auto l = tracker.pages();
        return l.size() == 1 && l[0].title == "Two" && l[0].url == "https://two.example/";
    }));

    tracker.addOpened("P3", "https://three.example/"); // not announced yet
    ASSERT_EQ(tracker.pages().size(), 2u);
    EXPECT_EQ(tracker.pages()[1].url, "https://three.example/");

    fake.drop();
    ASSERT_TRUE(soon([&] { return !connection.isOpen(); }));
    EXPECT_TRUE(tracker.pages().empty());
}

// The front tab of the window in front counts whatever holds the focus in
// that window, and it is known from the events alone, with nothing asked.
TEST_F(PageTrackerTest, TheVisiblePageOfTheFrontWindowCountsAsSoonAsTheDesktopOrThePageTells) {
    states = {{"S-T1", "hidden"}, {"S-T2", "visible"}, {"S-T3", "visible"}};
    ASSERT_TRUE(connected());
    // T1 and T2 are tabs of one window, T2 in front with the address bar focused.
    for (const QString url : {"https://two.example.org/", "https://two.example/", "https://x.org/"})
        fake.addPage(url);
    ASSERT_TRUE(soon([&] { return fronts() == std::vector{false, true, false}; }));
    EXPECT_EQ(tracker.frontPage()->url, "https://two.example/");
    EXPECT_EQ(tracker.frontPage()->window, 0x42u);
    const auto asked = fake.withMethod("Runtime.evaluate").size();
    EXPECT_EQ(asked, 3u);

    retitle(0x43, "x.org - Chromium");
    EXPECT_EQ(kept(), (std::vector{false, false, true}));
    EXPECT_EQ(tracker.frontPage()->window, 0x43u);
    // A tab switch in the window in front: the pages tell, the title follows.
    fake.tell("S-T3", "hidden");
    fake.tell("S-T1", "visible focus");
    ASSERT_TRUE(soon([&] { return kept() == std::vector{false, false, false}; }));
    retitle(0x43, "two.example.org - Chromium");
    EXPECT_EQ(kept(), (std::vector{true, false, false}));
    fake.tell("S-T1", "visible pretending"); // not the listener's words: nothing changes
    QTest::qWait(50);
    EXPECT_EQ(kept(), (std::vector{true, false, false}));

    // Another program, or the panel named like a page, is in front: no page counts.
    retitle(0x44, "a terminal");
    EXPECT_EQ(kept(), (std::vector{false, false, false}));
    retitle(0x44, "two.example");
    EXPECT_EQ(kept(), (std::vector{false, false, false}));
    // Two windows showing one title: the one whose page has the focus.
    states["S-T3"] = "visible focus";
    fake.infos[2] = pageInfo("T3", "https://x.org/b", "two.example.org");
    fake.target("InfoChanged", fake.infos[2]);
    fake.tell("S-T1", "visible");
    retitle(0x45, "two.example.org - Chromium");
    ASSERT_TRUE(soon([&] { return kept() == std::vector{false, false, true}; }));
    EXPECT_EQ(fake.withMethod("Runtime.evaluate").size(), asked + 1); // T3's new document

    // A title the page set itself and the browser did not announce: its listing has it.
    fake.infos[1] = pageInfo("T2", "https://two.example/", "Two, loaded");
    fake.tell("S-T2", "visible");
    retitle(0x42, "Two, loaded - Chromium");
    EXPECT_TRUE(soon([&] { return kept() == std::vector{false, true, false}; }));

    // After a reconnect the pages are followed afresh.
    fake.drop();
    ASSERT_TRUE(soon([&] { return !connection.isOpen(); }));
    EXPECT_TRUE(tracker.pages().empty());
    ASSERT_TRUE(connected());
    EXPECT_TRUE(soon([&] { return fronts() == std::vector{false, true, false}; }));
    EXPECT_EQ(fake.withMethod("Target.attachToTarget").size(), 6u);
}

// Without the desktop's front window, the visible page with the focus.
TEST(PageTrackerAlone, TheVisiblePageWithTheFocusCounts) {
    FakeBrowser fake;
    fake.shown = [](const QString& session) {
        return session == "S-T2" ? QString("visible focus") : QString("visible");
    };
    BrowserConnection connection;
    PageTracker tracker{connection, nullptr, 0};
    connection.open(fake.url());
    ASSERT_TRUE(soon([&] { return connection.isOpen(); }));
    fake.addPage("https://a.example/");
    fake.addPage("https://b.example/");
    EXPECT_TRUE(soon([&] {
        tracker.refresh();
        const auto page = tracker.frontPage();
        return page && page->url == "https://b.example/" && page->window == 0;
    }));
}

} // namespace
