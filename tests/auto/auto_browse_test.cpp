#include "panel_fixture.h"

namespace kurumin::testing {
namespace {

class AutoBrowse : public PanelTest {
  protected:
    void rangeAt(const QString& url, const QString& number) {
        copy(url);
        click("Label1");
        setText("txtNo", number);
        answer();
        d.browser.open.clear();
        d.messageBox.shown.clear();
    }
    void press(const char* name, MouseButton b = MouseButton::Left) {
        panel.mouseDown(ctl(name), b);
    }
    void release(const char* name) { panel.mouseUp(ctl(name), MouseButton::Left); }
    void spin(const char* timer, int ticks) {
        for (int i = 0; i < ticks; ++i)
            tick(timer);
    }
    void stepWindow(bool up, int index) { panel.stepClick(up, index); }
};

TEST_F(AutoBrowse, CountButtonsStepLikeUpAndDownAndAutoOffOpensNothing) {
    rangeAt("http://s/p[01-20].jpg", "04");
    click("UPbutton");
    EXPECT_EQ(text("txtNo"), "05");
    EXPECT_EQ(panel.focus(), Ctl::txtNo);
    click("DWNbutton");
    answer();
    EXPECT_EQ(d.browser.opened(), (QStringList{"http://s/p05.jpg", "http://s/p04.jpg"}));

    click("lblAuto");
    EXPECT_EQ(panel.c[Ctl::lblAuto].fore, colors::DullRed);
    click("UPbutton");
    press("UPbutton", MouseButton::Right);
    stepWindow(true, 3);
    answer();
    EXPECT_EQ(text("txtNo"), "15");
    EXPECT_EQ(d.browser.opened().size(), 2);
    click("lblAuto");
    EXPECT_TRUE(isOn(panel.s.AutoBrowse));
    EXPECT_EQ(panel.c[Ctl::lblAuto].fore, colors::Red);

    setText("txtNo", "x");
    click("UPbutton");
    EXPECT_EQ(d.messageBox.shown.back().text, "無効な動作が要求されたので、キャンセルします。\r\n"
                                              "要求した命令に間違いがないか確認してください。");
}

TEST_F(AutoBrowse, SpinsLimitInPickModeWhereTheCountButtonDoesNot) {
    copy("http://s/img007.jpg");
    select(13, 3);
    click("lblCUT"); // bounds stay at 0, limiter on
    click("UPbutton");
    EXPECT_EQ(text("txtNo"), "008");
    press("cmdUP");
    spin("Cup", 3);
    EXPECT_EQ(text("txtNo"), "0");
    EXPECT_EQ(titles(), QStringList{kLimiterTitle}); // once for the press
    EXPECT_FALSE(d.timers["Cup"].isActive());
    release("cmdUP");
}

TEST_F(AutoBrowse, SpinWidthsAreMeasuredBeforeTheTick) {
    rangeAt("http://s/[005-200]", "2");
    press("cmdUP");
    tick("Cup");
    EXPECT_EQ(text("txtNo"), "5"); // lands on MIN, padded to the one digit it had
    release("cmdUP");

    click("lblLIMIT");
    setText("txtNo", "10");
    press("Command1");
    spin("Cdwn", 2);
    EXPECT_EQ(text("txtNo"), "08");
    release("Command1");
    setText("txtNo", "099");
    press("cmdUP");
    spin("Cup", 20);
    EXPECT_EQ(text("txtNo"), "119");
    EXPECT_EQ(panel.s.PickDigits, 3);
    release("cmdUP");
    EXPECT_FALSE(d.timers["Cup"].isActive());
    setText("txtNo", "1");
    press("Command1");
    spin("Cdwn", 3);
    EXPECT_EQ(text("txtNo"), "0");
    EXPECT_TRUE(d.timers["Cdwn"].isActive());
    EXPECT_EQ(d.browser.requested.size(), 1u); // [SET]'s only: spinning opens nothing
}

TEST_F(AutoBrowse, ASpinOverTextThatIsNoNumberStopsWithOneBox) {
    rangeAt("http://s/[1-9]", "3");
    setText("txtLimH", "");
    press("cmdUP");
    spin("Cup", 5);
    EXPECT_FALSE(d.timers["Cup"].isActive());
    EXPECT_EQ(titles(), QStringList{kStepFailedTitle});

    // A plain URL copied while the button is held disables it, so it never
    // gets its release: the spin still ends.
    setText("txtLimH", "9");
    press("Command1");
    EXPECT_TRUE(d.timers["Cdwn"].isActive());
    copy("http://plain/page");
    EXPECT_FALSE(d.timers["Cdwn"].isActive());
}

TEST_F(AutoBrowse, StepWindowsTestTheLimiterBeforeTheStepOnly) {
    rangeAt("http://s/[010-050]", "003");
    press("UPbutton", MouseButton::Right);
    ASSERT_TRUE(panel.frmUP());
    stepWindow(true, 2); // +5
    EXPECT_EQ(text("txtNo"), "014");
    setText("txtNo", "040");
    stepWindow(true, 4); // +20: no clamp after the step
    EXPECT_EQ(text("txtNo"), "060");
    stepWindow(true, 1);
    EXPECT_EQ(text("txtNo"), "050");
    EXPECT_EQ(titles(), QStringList{kLimiterTitle});
    EXPECT_TRUE(panel.frmUP());
    answer();
    EXPECT_EQ(d.browser.opened(), (QStringList{"http://s/014", "http://s/060"}));

    click("lblLIMIT");
    panel.c[Ctl::txtLimL].caption = "00";
    setText("txtNo", "05");
    press("DWNbutton", MouseButton::Right);
    EXPECT_FALSE(panel.frmUP());
    stepWindow(false, 3); // -10 with no stop at zero
    EXPECT_EQ(text("txtNo"), "-05");
    stepWindow(false, 0);
    EXPECT_FALSE(panel.frmDWN());
}

TEST_F(AutoBrowse, ARightPressOpensTheWindowBesideThePanelAndDoesNotStep) {
    rangeAt("http://s/[01-20]", "01");
    press("DWNbutton", MouseButton::Right);
    press("UPbutton", MouseButton::Right);
    EXPECT_FALSE(panel.frmDWN());
    ASSERT_TRUE(panel.frmUP());
    fake::Window& w = *d.stepWindows.created.back();
    EXPECT_EQ(w.geo, (RectTwips{1000 + 2130, 100 + 685, 600, 1755}));
    EXPECT_TRUE(w.open);
    EXPECT_TRUE(w.topmost);
    EXPECT_EQ(text("txtNo"), "01");
    panel.stepMouseMove(true, 2);
    EXPECT_EQ(panel.frmUP()->labels[2].back, colors::White);
    panel.stepMouseMove(true, -1);
    EXPECT_EQ(panel.frmUP()->labels[2].back, colors::PanelBack);
    copy("no url here"); // the number source changes: the window goes
    EXPECT_FALSE(panel.frmUP());
    EXPECT_FALSE(w.open);
}

TEST_F(AutoBrowse, HeldArrowsRepeatOnlyAfterTheHoldDelay) {
    copy("http://abcdefgh");
    panel.setCaret(Ctl::txtNow, 3);
    press("Label2");
    EXPECT_EQ(panel.c[Ctl::Label2].fore, colors::Cyan);
    d.clock.ticks += 150;
    spin("Timer1", 3);
    release("Label2");
    click("Label2");
    EXPECT_EQ(panel.c[Ctl::txtNow].selStart, 4);
    EXPECT_EQ(panel.c[Ctl::Label2].fore, colors::Blue);

    press("Label3");
    d.clock.ticks += 201;
    spin("Timer2", 10);
    EXPECT_EQ(panel.c[Ctl::txtNow].selStart, 0);
    release("Label3");
}

} // namespace
} // namespace kurumin::testing
