#include "panel_fixture.h"

namespace kurumin::testing {
namespace {

class Capture : public PanelTest {
  protected:
    void front(WindowHandle foreground, std::vector<BrowserPage> pages) {
        d.windows.foreground = foreground;
        d.browser.open = std::move(pages);
        tick("timGETURL");
    }
    QString trecTip() { return panel.c[Ctl::Label6].toolTip; }
};

TEST_F(Capture, TheBrowserPageInFrontIsKeptWhileThePanelOrAnotherProgramIsInFront) {
    front(0x3a00001, {{0x3a00001, "http://a/1", "One", false},
                      {0x3a00001, "https://b/2", "Two — a title of its own", true}});
    EXPECT_EQ(panel.s.lAWH, "&H3A00001");
    EXPECT_EQ(panel.s.lURL, "https://b/2");              // the page with the focus
    EXPECT_EQ(panel.s.lTTL, "Two — a title of its own"); // whole: no suffix to cut here
    EXPECT_EQ(trecTip(), QStringLiteral("【タイトル付きＵＲＬ保存】　Two — a title of its own"));

    // The panel is clicked: no page has the focus any more.
    front(window.handle(), {{0x3a00002, "https://b/2", "Two", false}});
    EXPECT_EQ(panel.s.lAWH, "&H1000");
    EXPECT_EQ(panel.s.lURL, "https://b/2");
    // A focus answer about another front window is stale and changes nothing.
    front(0x77, {{0x3a00009, "http://c/", "Stale", true}});
    EXPECT_EQ(panel.s.lURL, "https://b/2");
    // Of several in front, the last wins; an empty title stays empty.
    front(0x5, {{0, "http://d/1", "D", true}, {0, "http://e/1", "", true}});
    EXPECT_EQ(panel.s.lURL, "http://e/1");
    EXPECT_EQ(panel.s.lTTL, "");
}

TEST_F(Capture, ANonWebPageInFrontEmptiesTheCapture) {
    for (const char* url :
         {"about:blank", "chrome://settings/", "file:///tmp/a.html", "HTTP://x/"}) {
        front(0x5, {{0, "http://a/", "A", true}});
        ASSERT_EQ(panel.s.lURL, "http://a/");
        front(0x5, {{0, url, "x", true}, {0, "http://later/", "L", true}});
        EXPECT_TRUE(panel.s.lURL.isEmpty()) << url;
        EXPECT_TRUE(panel.s.lTTL.isEmpty()) << url;
        EXPECT_EQ(trecTip(), QStringLiteral("ブラウザページタイトル取得情報なし"));
    }
}

TEST_F(Capture, TheExitButtonsShowWhetherThePanelIsInFront) {
    d.windows.foreground = window.handle();
    tick("Timer3");
    for (const Ctl exit : {Ctl::Command6_0, Ctl::Command6_1, Ctl::lblEXIT})
        EXPECT_EQ(panel.c[exit].back, colors::Red);
    EXPECT_TRUE(enabled("lblCripDirect"));
    d.windows.foreground = 0x99;
    tick("Timer3");
    EXPECT_EQ(panel.c[Ctl::lblEXIT].back, colors::DarkRed);
    EXPECT_FALSE(enabled("lblCripDirect"));
}

} // namespace
} // namespace kurumin::testing
