#include "capture/clipboard_watcher.h"

#include "panel_fixture.h"

namespace kurumin::testing {
namespace {

TEST(RangeSplit, BoundsComeFromTheRunsOfDigits) {
    struct Case {
        const char* between;
        const char* min;
        const char* max;
        bool warn;
    };
    const Case cases[] = {
        {"001-120", "001", "120", false}, {"01-20", "01", "20", false}, {"1-100", "1", "100", true},
        {"0-20", "0", "20", true},        {"", "", "", true},           {"a-b", "a", "b", false},
        {"abcd", "ab", "cd", true},
    };
    for (const Case& c : cases) {
        const RangeBounds b = splitRange(QString::fromLatin1(c.between));
        EXPECT_EQ(b.min, c.min) << c.between;
        EXPECT_EQ(b.max, c.max) << c.between;
        EXPECT_EQ(b.widthsDiffer, c.warn) << c.between;
    }
}

using Watcher = PanelTest;

TEST_F(Watcher, ARangeUrlSetsTheBoundsAndOpensNothing) {
    setText("txtNo", "5");
    copy("http://site/img[001-120].jpg");
    EXPECT_EQ(text("txtNow"), "http://site/img[001-120].jpg");
    EXPECT_EQ(text("txtLimL"), "001");
    EXPECT_EQ(text("txtLimH"), "120");
    EXPECT_EQ(text("txtNo"), "005");
    EXPECT_EQ(panel.s.DigitCount, 3);
    EXPECT_EQ(panel.s.lbl1, "16");
    EXPECT_TRUE(enabled("Label1"));
    EXPECT_TRUE(enabled("lbl"));
    EXPECT_EQ(panel.c[Ctl::lblCripDirect].fore, colors::Green);
    answer();
    EXPECT_TRUE(d.browser.requested.empty());
    EXPECT_TRUE(d.messageBox.shown.empty());

    copy("http://site/[1-100]/x");
    EXPECT_EQ(titles(), QStringList{kRangeTitle});
    EXPECT_EQ(d.beep.count, 1);
    EXPECT_EQ(text("txtLimL"), "1");
    EXPECT_EQ(text("txtLimH"), "100");
}

TEST_F(Watcher, AClosingBracketBeforeTheOpeningOneIsAPlainUrl) {
    copy("http://site/a]b[c.jpg");
    answer();
    EXPECT_TRUE(d.messageBox.shown.empty());
    EXPECT_EQ(text("txtLimL"), "0");
    EXPECT_FALSE(enabled("Label1"));
    EXPECT_EQ(d.browser.opened(), QStringList{"http://site/a]b[c.jpg"});
    tick("timCrip");
    EXPECT_EQ(d.browser.requested.size(), 1u);
}

TEST_F(Watcher, APlainUrlOpensOnceAndAgainOnlyAfterOtherText) {
    copy("https://site/p1.html");
    answer();
    EXPECT_EQ(text("txtNow"), "http://site/p1.html");
    copy("hello");
    EXPECT_FALSE(enabled("lblCUT"));
    EXPECT_EQ(text("txtNo"), "0");
    copy("ftp://site/p1.html"); // same tail under another scheme
    answer();
    EXPECT_EQ(d.browser.requested.size(), 1u);
    EXPECT_EQ(panel.c[Ctl::Sh1].back, colors::Black);

    panel.c[Ctl::txtKeyWord].caption = "//site/"; // KeywordPos moves the tail
    copy("http://site/x/p2.html");
    answer();
    EXPECT_EQ(d.browser.opened().back(), "http://x/p2.html");
}

TEST_F(Watcher, NoTextShowsTheWaitingTextAndKeepsTheLastOne) {
    copy("http://a/1");
    d.clipboard.copyFromElsewhere(std::nullopt);
    EXPECT_EQ(text("txtNow"), " 　- 待機中 -");
    EXPECT_FALSE(enabled("txtNow"));
    EXPECT_EQ(panel.c[Ctl::lblCripDirect].fore, colors::Rest);
    copy("http://a/1"); // the same text again: the controls come back, the box does not
    EXPECT_TRUE(enabled("txtNow"));
    EXPECT_EQ(text("txtNow"), " 　- 待機中 -");
}

TEST_F(Watcher, AFailedTickTriesTheSameTextAgain) {
    d.clipboard.content = "http://a/[01-10]";
    d.clipboard.failReads = 1;
    tick("timCrip");
    EXPECT_TRUE(panel.s.lblOldURL.isEmpty());
    tick("timCrip");
    EXPECT_EQ(text("txtLimH"), "10");
}

TEST_F(Watcher, TicksWaitWhileAWarningIsOpen) {
    int nested = 0;
    d.messageBox.whileOpen = [&] {
        // Qt's modal box runs a nested loop: ticks and the clipboard keep coming.
        d.clipboard.copyFromElsewhere(QStringLiteral("http://b/p[01-05]"));
        tick("timCrip");
        tick("timCrip");
        nested = static_cast<int>(d.messageBox.shown.size());
    };
    copy("http://a/[0-20]");
    EXPECT_EQ(nested, 1);
    // The held tick ran after the warning was closed, once.
    EXPECT_EQ(text("txtLimH"), "05");
    EXPECT_EQ(titles(), QStringList{kRangeTitle});
}

} // namespace
} // namespace kurumin::testing
