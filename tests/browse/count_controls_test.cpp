#include "panel_fixture.h"

namespace kurumin::testing {
namespace {

class CountControls : public PanelTest {
  protected:
    bool spinning(const char* timer) { return d.timers[timer].isActive(); }
    // cmdUP counts on Cup, Command1 on Cdwn; the button stays held.
    QString spin(const char* button, const char* from, int ticks) {
        if (*from) setText("txtNo", from);
        down(button);
        tick(QByteArray(button) == "cmdUP" ? "Cup" : "Cdwn", ticks);
        return text("txtNo");
    }
    QString step(Direction way, int label, const char* from = "") {
        if (*from) setText("txtNo", from);
        panel.stepClick(way, label);
        return text("txtNo");
    }
};

TEST_F(CountControls, CountButtonsStepLikeUpAndDownAndAutoOffOpensNothing) {
    range("http://s/p[01-20].jpg");
    walk({{"04", "UPbutton", "05"}, {"", "DWNbutton", "04"}});
    EXPECT_EQ(panel.focus(), Ctl::txtNo);
    EXPECT_EQ(opened(), (QStringList{"http://s/p05.jpg", "http://s/p04.jpg"}));
    click("lblAuto");
    walk({{"", "UPbutton", "05"}});
    down("UPbutton", MouseButton::Right);
    EXPECT_EQ(step(Direction::Up, 3), "15");
    EXPECT_EQ(opened().size(), 2);
    click("lblAuto");
    EXPECT_TRUE(isOn(panel.s.AutoBrowse));
    walk({{"x", "UPbutton", "x"}});
    EXPECT_EQ(d.messageBox.shown.back().text, msg::countFailedText());

    // In pick mode the spin stops at the bounds of 0 PICK left; the count button does not.
    copy("http://s/img007.jpg");
    select(13, 3);
    click("lblCUT");
    d.messageBox.shown.clear();
    walk({{"", "UPbutton", "008"}});
    EXPECT_EQ(spin("cmdUP", "", 3), "0");
    EXPECT_EQ(titles(), QStringList{msg::limiterTitle()}); // once for the press
    EXPECT_FALSE(spinning("Cup"));
}

TEST_F(CountControls, SpinWidthsAreMeasuredBeforeTheTickAndTextThatIsNoNumberStopsIt) {
    range("http://s/[005-200]");
    EXPECT_EQ(spin("cmdUP", "2", 1), "5"); // lands on MIN, padded to the one digit it had
    up("cmdUP");
    click("lblLIMIT");
    EXPECT_EQ(spin("Command1", "10", 2), "08");
    up("Command1");
    EXPECT_EQ(spin("cmdUP", "099", 20), "119");
    up("cmdUP");
    EXPECT_FALSE(spinning("Cup"));
    EXPECT_EQ(spin("Command1", "1", 3), "0");
    EXPECT_TRUE(spinning("Cdwn"));
    up("Command1");
    EXPECT_EQ(d.browser.requested.size(), 1u); // [SET]'s only: spinning opens nothing

    range("http://s/[1-9]");
    setText("txtLimH", "");
    click("lblLIMIT");
    spin("cmdUP", "3", 5);
    EXPECT_FALSE(spinning("Cup"));
    EXPECT_EQ(titles(), QStringList{msg::stepFailedTitle()});
    // A plain URL copied while the button is held disables it, so it never
    // gets its release: the spin still ends.
    setText("txtLimH", "9");
    down("Command1");
    EXPECT_TRUE(spinning("Cdwn"));
    copy("http://plain/page");
    EXPECT_FALSE(spinning("Cdwn"));
}

TEST_F(CountControls, StepWindowsTestTheLimiterBeforeTheStepOnlyAndGoWithTheNumberSource) {
    range("http://s/[010-050]");
    setText("txtNo", "003");
    // Where the window opens, and that the other one closes, the end-to-end run shows.
    down("UPbutton", MouseButton::Right);
    ASSERT_TRUE(panel.frmUP());
    EXPECT_EQ(text("txtNo"), "003");                 // opening does not step
    EXPECT_EQ(step(Direction::Up, 2), "014");        // +5
    EXPECT_EQ(step(Direction::Up, 4, "040"), "060"); // +20: no clamp after the step
    EXPECT_EQ(step(Direction::Up, 1), "050");
    EXPECT_EQ(titles(), QStringList{msg::limiterTitle()});
    EXPECT_TRUE(panel.frmUP());
    EXPECT_EQ(opened(), (QStringList{"http://s/014", "http://s/060"}));

    click("lblLIMIT");
    setText("txtLimL", "00");
    down("DWNbutton", MouseButton::Right);
    EXPECT_FALSE(panel.frmUP());
    EXPECT_EQ(step(Direction::Down, 3, "05"), "-05"); // -10 with no stop at zero
    panel.stepClick(Direction::Down, 0);
    EXPECT_FALSE(panel.frmDWN());
    down("UPbutton", MouseButton::Right);
    copy("no url here"); // the number source changes: the window goes
    EXPECT_FALSE(panel.frmUP());
    EXPECT_FALSE(d.stepWindows.created.back()->open);
}

TEST_F(CountControls, CaretArrowsStayInsideTheUrlBoxAndRepeatOnlyAfterTheHoldDelay) {
    const auto caret = [&] { return panel.c[Ctl::txtNow].selStart; };
    copy("http://abcdefgh");
    panel.setCaret(Ctl::txtNow, 0);
    click("Label3");
    EXPECT_EQ(caret(), 0);
    panel.setCaret(Ctl::txtNow, 3);
    down("Label2");
    d.clock.ticks += 150;
    tick("Timer1", 3);
    up("Label2");
    click("Label2");
    EXPECT_EQ(caret(), 4);
    down("Label3");
    d.clock.ticks += 201;
    tick("Timer2", 10);
    EXPECT_EQ(caret(), 0);
    up("Label3");
    for (int i = 0; i < 20; ++i)
        click("Label2");
    EXPECT_EQ(caret(), text("txtNow").size());
}

} // namespace
} // namespace kurumin::testing
