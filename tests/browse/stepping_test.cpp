#include "panel_fixture.h"

namespace kurumin::testing {
namespace {

class Stepping : public PanelTest {
  protected:
    // A range URL taken up and [SET] pressed: range mode at MIN.
    void range(const QString& url) {
        copy(url);
        click("Label1");
        answer();
        d.browser.open.clear();
        d.messageBox.shown.clear();
    }
    QStringList opened() {
        answer();
        return d.browser.opened();
    }
};

TEST_F(Stepping, UpAndDownKeepTheWidthAndOpenEachPage) {
    range("http://site/g/p[01-20].jpg");
    EXPECT_EQ(text("txtNo"), "01");
    setText("txtNo", "09");
    click("lblUP");
    EXPECT_EQ(text("txtNo"), "10");
    EXPECT_EQ(text("txtNow"), "site/g/p10.jpg");
    click("lblDWN");
    click("lblDWN");
    EXPECT_EQ(text("txtNo"), "08");
    EXPECT_EQ(opened(), (QStringList{"http://site/g/p10.jpg", "http://site/g/p09.jpg",
                                     "http://site/g/p08.jpg"}));
    EXPECT_EQ(panel.c[Ctl::Sh1].back, colors::Black);

    range("http://s/[001-120]");
    setText("txtNo", "7");
    click("lblUP");
    EXPECT_EQ(text("txtNo"), "008");
    setText("txtNo", "010");
    click("lblDWN");
    EXPECT_EQ(text("txtNo"), "009");
    range("http://s/[01-200]");
    panel.click(Ctl::lblLIMIT);
    setText("txtNo", "99");
    click("lblUP");
    EXPECT_EQ(text("txtNo"), "100");
}

TEST_F(Stepping, AQuickMouseClickStepsOnlyOnceItsPressIs200MsOld) {
    range("http://s/p[01-20]");
    const auto mouseClick = [&](const char* name) {
        panel.mouseDown(ctl(name), MouseButton::Left);
        EXPECT_EQ(panel.c[ctl(name)].fore, colors::BrightGreen);
        panel.mouseUp(ctl(name), MouseButton::Left);
        click(name);
    };
    mouseClick("lblUP");
    mouseClick("lblUP");
    EXPECT_EQ(text("txtNo"), "01"); // both held back
    d.clock.ticks += 150;
    tick("PressHold");
    EXPECT_EQ(text("txtNo"), "01");
    d.clock.ticks += 51;
    tick("PressHold");
    EXPECT_EQ(text("txtNo"), "03"); // in order, each once
    EXPECT_EQ(panel.c[Ctl::lblUP].fore, colors::Green);
    EXPECT_FALSE(d.timers["PressHold"].isActive());

    click("lblDWN"); // from the keyboard: no press to wait out
    EXPECT_EQ(text("txtNo"), "02");
    EXPECT_EQ(opened(), (QStringList{"http://s/p02", "http://s/p03", "http://s/p02"}));
}

TEST_F(Stepping, TheLimiterIsNotAMirrorImage) {
    range("http://site/p[05-20].jpg");
    setText("txtNo", "2");
    click("lblUP"); // below MIN jumps to MIN
    EXPECT_EQ(text("txtNo"), "05");
    click("lblDWN"); // at MIN refuses
    EXPECT_EQ(text("txtNo"), "05");
    EXPECT_EQ(titles(), QStringList{kLimiterTitle});
    setText("txtNo", "20");
    click("lblUP");
    EXPECT_EQ(text("txtNo"), "20");
    EXPECT_EQ(titles().size(), 2);
    EXPECT_EQ(opened(), QStringList{"http://site/p05.jpg"});

    // Off: UP passes MAX, DWN still stops silently at 0.
    click("lblLIMIT");
    EXPECT_EQ(text("lblLIMIT"), "OFF");
    EXPECT_EQ(panel.c[Ctl::lblLIMIT].fore, colors::DullRed);
    EXPECT_FALSE(enabled("txtLimL"));
    click("lblUP");
    EXPECT_EQ(text("txtNo"), "21");
    setText("txtNo", "0");
    click("lblDWN");
    EXPECT_EQ(text("txtNo"), "0");
    EXPECT_EQ(titles().size(), 2);

    // MAX with letters fails UP with the limiter off too.
    setText("txtLimH", "2O");
    click("lblUP");
    EXPECT_EQ(d.messageBox.lastTitle(), kStepFailedTitle);
    EXPECT_EQ(d.messageBox.shown.back().text,
              "無効な動作が要求されたので、動作をキャンセルします。\r\n"
              "要求した命令に間違いがないか確認してください。");
}

TEST_F(Stepping, DownAtZeroIsSilentBeforeTheLimiter) {
    range("http://site/p[0-9]");
    setText("txtNo", "1");
    click("lblDWN");
    EXPECT_EQ(text("txtNo"), "0");
    click("lblDWN");
    EXPECT_EQ(text("txtNo"), "0");
    EXPECT_TRUE(titles().isEmpty());
    EXPECT_EQ(opened(), QStringList{"http://site/p0"});
}

TEST_F(Stepping, PickModeStepsFromThePickedNumber) {
    copy("https://site/img007.jpg");
    answer();
    EXPECT_EQ(d.browser.opened(), QStringList{"http://site/img007.jpg"});
    select(15, 3);
    click("lblCUT");
    EXPECT_EQ(text("txtNo"), "7");
    EXPECT_EQ(panel.s.PickDigits, 3);
    EXPECT_EQ(panel.s.lblSTR, ".jpg");
    EXPECT_TRUE(enabled("UPbutton"));
    click("lblUP");
    EXPECT_EQ(text("txtNo"), "008");
    EXPECT_EQ(text("txtNow"), "site/img008.jpg");
    answer();
    EXPECT_EQ(text("txtNow"), "http://site/img008.jpg");
    EXPECT_FALSE(enabled("Label1"));

    setText("txtNo", "7"); // as right after PICK: down pads to the shorter text
    click("lblDWN");
    EXPECT_EQ(text("txtNo"), "6");
    EXPECT_EQ(opened().back(), "http://site/img6.jpg");

    // A new plain URL opened in pick mode ends pick mode once the browser has it.
    copy("http://other/x");
    EXPECT_TRUE(isOn(panel.s.PickMode));
    answer();
    EXPECT_FALSE(isOn(panel.s.PickMode));
    EXPECT_FALSE(enabled("UPbutton"));

    select(0, 2);
    click("lblCUT");
    EXPECT_EQ(d.messageBox.lastTitle(), "Kurumin Error_03");
    EXPECT_EQ(text("txtNo"), "6");
}

TEST_F(Stepping, SetWithAutoOffOnlySetsTheNumber) {
    copy("http://s/p[1-100].png");
    d.messageBox.shown.clear();
    click("lblAuto");
    click("Label1");
    EXPECT_EQ(text("txtNo"), "1");
    EXPECT_TRUE(enabled("UPbutton"));
    click("lblUP");
    EXPECT_EQ(text("txtNo"), "2");
    EXPECT_TRUE(opened().isEmpty());
}

TEST_F(Stepping, ABrowserThatCannotBeReachedIsReportedOncePerCommand) {
    range("http://site/p[01-20].jpg");
    d.browser.failWith = OpenFailure::NoBrowser;
    click("lblUP");
    click("lblUP");
    click("lblUP");
    answer();
    EXPECT_EQ(titles(), QStringList{kAccessTitle});
    EXPECT_EQ(panel.c[Ctl::Sh1].back, colors::Black);
    click("lblUP");
    answer();
    EXPECT_EQ(titles(), (QStringList{kAccessTitle, kAccessTitle}));
}

TEST_F(Stepping, CaretArrowsStayInsideTheUrlBox) {
    copy("http://a");
    panel.setCaret(Ctl::txtNow, 0);
    click("Label3");
    EXPECT_EQ(panel.c[Ctl::txtNow].selStart, 0);
    for (int i = 0; i < 20; ++i)
        click("Label2");
    EXPECT_EQ(panel.c[Ctl::txtNow].selStart, text("txtNow").size());
}

} // namespace
} // namespace kurumin::testing
