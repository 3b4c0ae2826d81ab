#include "capture/clipboard_watcher.h"
#include "panel_fixture.h"

namespace kurumin::testing {
namespace {

// Rows of between|MIN|MAX|warn (the widths differ); the watcher's tests take up the usual ones.
TEST(RangeSplit, BoundsComeFromTheRunsOfDigitsOrElseFromTheHalves) {
    for (const QString row : {"0-20|0|20|warn", "|||warn", "a-b|a|b|", "abcd|ab|cd|warn"}) {
        const RangeBounds b = splitRange(row.section(u'|', 0, 0));
        const QString warn = b.widthsDiffer ? "warn" : "";
        EXPECT_EQ(QStringList({row.section(u'|', 0, 0), b.min, b.max, warn}).join(u'|'), row);
    }
}

using Capture = PanelTest;

// That a range opens nothing by itself, the end-to-end run shows.
TEST_F(Capture, ARangeUrlSetsTheBoundsAndPadsTheNumber) {
    setText("txtNo", "5");
    copy("http://site/img[001-120].jpg");
    EXPECT_EQ(texts({"txtLimL", "txtLimH", "txtNo"}), (QStringList{"001", "120", "005"}));
    EXPECT_TRUE(enabled("Label1") && enabled("lbl"));
    copy("http://site/[1-100]/x"); // the first range warned of nothing
    EXPECT_EQ(titles(), QStringList{msg::rangeWidthTitle()});
    EXPECT_EQ(d.beep.count, 1);
    EXPECT_EQ(texts({"txtLimL", "txtLimH"}), (QStringList{"1", "100"}));

    // A closing bracket before the opening one is a plain URL, opened once.
    copy("http://site/a]b[c.jpg");
    answer();
    tick("timCrip");
    EXPECT_EQ(titles().size(), 1);
    EXPECT_EQ(text("txtLimL"), "0");
    EXPECT_FALSE(enabled("Label1"));
    EXPECT_EQ(d.browser.requested, std::vector<QString>{"http://site/a]b[c.jpg"});
}

TEST_F(Capture, APlainUrlOpensOnceAndAgainOnlyAfterOtherText) {
    copy("https://site/p1.html");
    answer();
    EXPECT_EQ(text("txtNow"), "http://site/p1.html");
    copy("hello");
    EXPECT_FALSE(enabled("lblCUT"));
    copy("ftp://site/p1.html");       // same tail under another scheme: not opened
    setText("txtKeyWord", "//site/"); // KeywordPos moves the tail
    copy("http://site/x/p2.html");
    EXPECT_EQ(opened(), (QStringList{"http://site/p1.html", "http://x/p2.html"}));

    // No text shows the waiting text; the same text again brings the controls back, not the box.
    d.clipboard.copyFromElsewhere(std::nullopt);
    EXPECT_EQ(text("txtNow"), " 　- 待機中 -");
    EXPECT_FALSE(enabled("txtNow"));
    copy("http://site/x/p2.html");
    EXPECT_TRUE(enabled("txtNow") && text("txtNow") == msg::waitingText());
}

TEST_F(Capture, TicksWaitWhileAWarningIsOpen) {
    int nested = 0;
    d.messageBox.whileOpen = [&] {
        // Qt's modal box runs a nested loop: ticks and the clipboard keep coming.
        d.clipboard.copyFromElsewhere(QStringLiteral("http://b/p[01-05]"));
        tick("timCrip", 2);
        nested = static_cast<int>(d.messageBox.shown.size());
    };
    copy("http://a/[0-20]");
    // The held tick ran once the warning was closed, once.
    EXPECT_EQ(std::pair(nested, text("txtLimH")), std::pair(1, QStringLiteral("05")));
    EXPECT_EQ(titles(), QStringList{msg::rangeWidthTitle()});
}

TEST_F(Capture, TheBrowserPageInFrontIsKeptWhileThePanelOrAnotherProgramIsInFront) {
    const auto captured = [&] { return QStringList{panel.page.lURL(), panel.page.lTTL()}; };
    front(0x3a00001, {{0x3a00001, "http://a/1", "One", false},
                      {0x3a00001, "https://b/2", "Two — a title of its own", true}});
    EXPECT_EQ(captured() << panel.s.lAWH << panel.c[Ctl::Label6].toolTip, // the one in front
              (QStringList{"https://b/2", "Two — a title of its own", "&H3A00001",
                           msg::titleTip("Two — a title of its own")}));
    // The panel is clicked: no page has the focus any more.
    front(window.handle(), {{0x3a00002, "https://b/2", "Two", false}});
    EXPECT_EQ(panel.page.lURL(), "https://b/2");
    // The port tells of a new page in front at once, ahead of the tick; an
    // empty title stays empty.
    d.browser.open = {{0x5, "http://e/1", "", true}};
    d.browser.frontChanged();
    EXPECT_EQ(captured(), (QStringList{"http://e/1", ""}));

    for (const char* url :
         {"about:blank", "chrome://settings/", "file:///tmp/a.html", "HTTP://x/"}) {
        capture("http://a/", "A");
        ASSERT_EQ(panel.page.lURL(), "http://a/");
        front(0x5, {{0, url, "x", true}, {0, "http://later/", "L", true}});
        EXPECT_EQ(captured() << panel.c[Ctl::Label6].toolTip,
                  (QStringList{"", "", msg::noTitleTip()}))
            << url;
    }

    // The exit buttons show whether the panel is in front.
    d.windows.foreground = window.handle();
    tick("Timer3");
    for (const Ctl exit : ExitControls)
        EXPECT_EQ(panel.c[exit].back, colors::Red);
    EXPECT_TRUE(enabled("lblCripDirect"));
    d.windows.foreground = 0x99;
    tick("Timer3");
    EXPECT_TRUE(panel.c[Ctl::lblEXIT].back == colors::DarkRed && !enabled("lblCripDirect"));
}

const QString kPage = QStringLiteral("http://example.com/p/001.jpg");
const QString kArchive = QStringLiteral("https://archive.example/web/");

class ClipboardTools : public PanelTest {
  protected:
    ClipboardTools() {
        copy(kPage);
        requested();
    }
    QString clipboard() { return d.clipboard.content.value_or(QStringLiteral("<empty>")); }
    bool lampLit() { return panel.c[Ctl::Sh1].back == colors::Yellow; }
    std::vector<QString> requested() {
        answer();
        return std::exchange(d.browser.requested, {});
    }
};

TEST_F(ClipboardTools, AppendTextBrowsePutsTheAppendTextInFrontOfTheCopiedText) {
    setText("Text2", kArchive);
    panel.s.PickMode = True;
    click("Command5");
    EXPECT_EQ((QStringList{text("txtNow"), clipboard()}), QStringList(2, kArchive + kPage));
    EXPECT_EQ(panel.c[Ctl::txtNow].selStart, text("txtNow").size());
    EXPECT_TRUE(lampLit());
    EXPECT_EQ(requested(), std::vector<QString>{kArchive + kPage});
    EXPECT_FALSE(lampLit() || isOn(panel.s.PickMode)); // the page opened ends pick mode
    // Already in front, or nothing to put there: nothing at all, not even the lamp.
    click("Command5");
    setText("Text2", "");
    click("Command5");
    EXPECT_FALSE(lampLit() || !requested().empty());

    // AUTO off: composed, not opened. A clipboard held open: opened, not written.
    setText("Text2", kArchive);
    click("lblAuto");
    copy(kPage);
    click("Command5");
    EXPECT_EQ(text("txtNow"), kArchive + kPage);
    EXPECT_FALSE(lampLit() || !requested().empty());
    click("lblAuto");
    setText("txtNow", "");
    d.clipboard.content = kPage;
    d.clipboard.refuseWrites = true;
    click("Command5");
    EXPECT_EQ(requested(), std::vector<QString>{kArchive + kPage});
    EXPECT_EQ(clipboard(), kPage);
}

TEST_F(ClipboardTools, ReBrowseOpensTheUrlAgainSilentlyAndClsForgetsItSoACopyCountsAgain) {
    click("Command10");
    EXPECT_EQ(requested(), std::vector<QString>{kPage});
    EXPECT_EQ(panel.focus(), Ctl::txtNow);
    d.browser.failWith = OpenFailure::StartFailed;
    panel.c[Ctl::Sh1].back = colors::Yellow;
    click("Command10");
    requested();
    EXPECT_FALSE(lampLit() || !d.messageBox.shown.empty());
    d.browser.failWith = OpenFailure::None;

    click("lblAccess");
    EXPECT_EQ(std::pair(text("txtNow"), clipboard()), std::pair(QString(), QString("<empty>")));
    copy(kPage);
    EXPECT_EQ(requested(), std::vector<QString>{kPage});
    d.clipboard.refuseWrites = true;
    click("lblAccess");
    EXPECT_EQ(text("txtNow"), "");
}

TEST_F(ClipboardTools, TheMemoTradesTextWithTheClipboard) {
    setText("txtMemo", "old");
    d.clipboard.content.reset(); // an image: no text
    click("Command7");
    EXPECT_EQ(text("txtMemo"), "old");
    d.clipboard.content = QStringLiteral("from elsewhere");
    click("Command7");
    EXPECT_EQ(std::pair(text("txtMemo"), panel.focus()),
              std::pair(QString("from elsewhere"), std::optional(Ctl::txtMemo)));
    setText("Text2", "> ");
    click("Command9");
    click("Command9");
    EXPECT_EQ(text("txtMemo"), "> > from elsewhere");
    d.clipboard.refuseWrites = true;
    click("Command8");
    EXPECT_EQ(clipboard(), "from elsewhere");
    // A URL sent from the memo is taken up as if it had been copied.
    d.clipboard.refuseWrites = false;
    setText("txtMemo", "http://other.example/q");
    click("Command8");
    tick("timCrip");
    EXPECT_EQ(requested(), std::vector<QString>{"http://other.example/q"});
}

} // namespace
} // namespace kurumin::testing
