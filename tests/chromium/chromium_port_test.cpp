#include "platform/chromium/chromium_browser.h"

#include "test_support.h"

#include <gtest/gtest.h>

using namespace kurumin;

namespace {

// The port's own part is how the session and the tracker meet.
TEST(ChromiumPort, ListingAttachesToTheRunningBrowserShowsWhatItOpensAndStartsOverWhenLost) {
    NoBrowser<ChromiumOptions> rig;
    FakeBrowser fake;
    ASSERT_TRUE(writePortFile(rig.folder.path(), fake.port()));
    ChromiumBrowser port(rig.options, rig.shell);

    auto queued = openOn(port, "https://one.example/");
    EXPECT_TRUE(port.pages().empty());
    ASSERT_TRUE(settled(queued));
    EXPECT_TRUE(queued->result->ok());
    EXPECT_EQ(fake.received.front()["method"].toString(), "Target.setDiscoverTargets");
    EXPECT_EQ(port.startedProcess(), 0);

    fake.announce = false;
    auto unannounced = openOn(port, "https://two.example/");
    ASSERT_TRUE(settled(unannounced));
    ASSERT_EQ(port.pages().size(), 2u);
    EXPECT_EQ(port.pages()[1].url, "https://two.example/");

    fake.drop();
    ASSERT_TRUE(soon([&] { return !port.isConnected(); }));
    EXPECT_TRUE(port.pages().empty());
    // Listing alone finds the browser again, with its pages.
    EXPECT_TRUE(soon([&] { return port.pages().size() == 2; }));
    EXPECT_EQ(fake.withMethod("Target.setDiscoverTargets").size(), 2u);
    EXPECT_TRUE(rig.shell.opened.empty());
}

} // namespace
