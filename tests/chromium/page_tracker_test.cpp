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
        desktop.titles[0x42] = "two.exam"; // cut short
    }
    // Once discovery is on, the fake can announce pages.
    bool connected() {
        const auto discovering = fake.withMethod("Target.setDiscoverTargets").size();
        connection.open(fake.url());
        return soon(
            [&] { return fake.withMethod("Target.setDiscoverTargets").size() > discovering; });
    }
    // What a capture tick sees, each tick starting the next refresh.
    std::vector<bool> fronts() {
        tracker.refresh();
        std::vector<bool> got;
        for (const auto& p : tracker.pages())
            got.push_back(p.inFront);
        return got;
    }

    FakeBrowser fake;
    CdpConnection connection;
    kurumin::fake::WindowSystem desktop;
    PageTracker tracker{connection, &desktop, 0};
};

TEST_F(PageTrackerTest, FollowsTargetEventsAndTheBrowsersOwnListingAndForgetsThemWhenLost) {
    desktop.foreground = 0;
    ASSERT_TRUE(connected());
    fake.event("Target.targetCreated", {{"targetInfo", pageInfo("P1", "https://one.example/")}});
    fake.event("Target.targetCreated",
               {{"targetInfo", pageInfo("W", "https://sw/", "", "service_worker")}});
    fake.event("Target.targetCreated", {{"targetInfo", pageInfo("P2", "about:blank")}});
    fake.event("Target.targetInfoChanged",
               {{"targetInfo", pageInfo("P2", "https://two.example/", "Two")}});
    fake.event("Target.targetDestroyed", {{"targetId", "P1"}});
    const auto listIs = [&](const QString& title) {
        return soon([&] {
            const auto l = tracker.pages();
            return l.size() == 1 && l[0].title == title && l[0].url == "https://two.example/";
        });
    };
    ASSERT_TRUE(listIs("Two"));

    // A title change the browser did not announce still shows, from its listing.
    fake.infos = {pageInfo("P2", "https://two.example/", "Two, loaded"),
                  pageInfo("W", "https://sw/", "", "service_worker")};
    auto gone = std::make_unique<PageTracker>(connection, nullptr, 0);
    gone->refresh();
    gone.reset(); // its answer, ahead of the one awaited, comes to nobody
    tracker.refresh();
    EXPECT_TRUE(listIs("Two, loaded"));

    tracker.addOpened("P3", "https://three.example/"); // not announced yet
    ASSERT_EQ(tracker.pages().size(), 2u);
    EXPECT_EQ(tracker.pages()[1].url, "https://three.example/");

    fake.drop();
    ASSERT_TRUE(soon([&] { return !connection.isOpen(); }));
    EXPECT_TRUE(tracker.pages().empty());
}

TEST_F(PageTrackerTest, FrontPageIsAskedOfCandidatePagesOnlyWhenTheDesktopChangesOrOnReconnect) {
    fake.focused = [](const QString& session) { return session == "S-T2"; };
    ASSERT_TRUE(connected());
    for (const QString url : {"https://two.example.org/", "https://two.example/", "https://x.org/"})
        fake.addPage(url);
    ASSERT_TRUE(soon([&] { return fronts() == std::vector{false, true, false}; }));
    ASSERT_TRUE(tracker.frontPage());
    EXPECT_EQ(tracker.frontPage()->url, "https://two.example/");
    EXPECT_EQ(tracker.frontPage()->window, 0x42u);
    EXPECT_FALSE(QTest::qWaitFor([&] { return fronts().size() != 3; }, 100)); // read often
    const auto asked = fake.withMethod("Runtime.evaluate");
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0]["sessionId"].toString(), "S-T1");
    EXPECT_EQ(asked[1]["sessionId"].toString(), "S-T2");

    desktop.titles[0x43] = "a terminal";
    desktop.foreground = 0x43;
    EXPECT_TRUE(soon([&] { return fronts() == std::vector{false, false, false}; }));
    EXPECT_FALSE(tracker.frontPage());
    EXPECT_EQ(fake.withMethod("Runtime.evaluate").size(), 2u);
    EXPECT_EQ(fake.withMethod("Target.attachToTarget").size(), 2u); // sessions are kept

    // The same pages after a reconnect, on a desktop that has not moved.
    desktop.foreground = 0x42;
    ASSERT_TRUE(soon([&] { return fronts() == std::vector{false, true, false}; }));
    fake.drop();
    ASSERT_TRUE(soon([&] { return !connection.isOpen(); }));
    ASSERT_TRUE(connected());
    ASSERT_TRUE(soon([&] { return tracker.pages().size() == 3; }));
    EXPECT_TRUE(soon([&] { return fronts() == std::vector{false, true, false}; }));
    EXPECT_EQ(fake.withMethod("Target.attachToTarget").size(), 4u);
}

} // namespace
