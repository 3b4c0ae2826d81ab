#include "browse/numbers.h"
#include "panel_fixture.h"

namespace kurumin::testing {
namespace {

TEST(Numbers, OnlyDecimalTextIsANumberShownShortestAndPaddedWithoutCutting) {
    EXPECT_EQ(parseNumber(" 007 "), 7.0);
    EXPECT_EQ(parseNumber("1.5"), 1.5);
    EXPECT_EQ(parseNumber("-5"), -5.0);
    EXPECT_EQ(parseNumber("+3"), 3.0);
    for (const char* bad : {"", " ", "1-", "abc", "inf", "nan", "0x10", "1 2", "++1", "１２"})
        EXPECT_FALSE(parseNumber(QString::fromUtf8(bad))) << bad;
    EXPECT_EQ(
        (QStringList{shortestText(7), shortestText(1.5), shortestText(-0.0),
                     shortestText(0.1 + 0.2), shortestText(123456789012345.0), shortestText(1e5),
                     shortestText(1.2e6), shortestText(1e-4), shortestText(-1e22)}),
        (QStringList{"7", "1.5", "0", "0.30000000000000004", "123456789012345", "100000", "1200000",
                     "0.0001", "-10000000000000000000000"}));
    // Halves round away from zero.
    EXPECT_EQ((QStringList{padNumber(8, 3), padNumber(100, 2), padNumber(-5, 2), padNumber(5, 0),
                           padNumber(2.5, 2), padNumber(-0.4, 1), padText("1-", 2)}),
              (QStringList{"008", "100", "-05", "5", "03", "0", "1-"}));
}

using Stepping = PanelTest;

TEST_F(Stepping, UpAndDownKeepTheWidthAndTheLimiterIsNotAMirrorImage) {
    range("http://site/g/p[01-20].jpg");
    EXPECT_EQ(text("txtNo"), "01");
    // Each page opening, the end-to-end run shows.
    walk({{"09", "lblUP", "10"}, {"", "lblDWN", "09"}, {"", "lblDWN", "08"}});
    range("http://s/[001-120]");
    walk({{"7", "lblUP", "008"}, {"010", "lblDWN", "009"}});

    // Below MIN jumps to MIN, at MIN DWN refuses, at MAX UP refuses; DWN at 0
    // is silent, before the limiter is asked.
    range("http://site/p[05-20].jpg");
    walk({{"2", "lblUP", "05"}, {"", "lblDWN", "05"}, {"20", "lblUP", "20"}});
    EXPECT_EQ(titles(), (QStringList{msg::limiterTitle(), msg::limiterTitle()}));
    EXPECT_EQ(opened(), QStringList{"http://site/p05.jpg"});
    range("http://site/p[0-9]");
    walk({{"1", "lblDWN", "0"}, {"", "lblDWN", "0"}});
    EXPECT_TRUE(titles().isEmpty());
    EXPECT_EQ(opened(), QStringList{"http://site/p0"});

    // Off: UP passes MAX, DWN still stops silently at 0, a MAX with letters fails UP.
    range("http://site/p[05-20].jpg");
    click("lblLIMIT");
    walk({{"20", "lblUP", "21"}, {"0", "lblDWN", "0"}});
    EXPECT_TRUE(titles().isEmpty());
    range("http://s/[01-200]");
    walk({{"99", "lblUP", "100"}});
    setText("txtLimH", "2O");
    click("lblUP");
    EXPECT_EQ(titles(), QStringList{msg::stepFailedTitle()});
    EXPECT_EQ(d.messageBox.shown.back().text, msg::stepFailedText());
}

TEST_F(Stepping, AQuickMouseClickStepsOnlyOnceItsPressIs200MsOld) {
    range("http://s/p[01-20]");
    for (int i = 0; i < 2; ++i) {
        down("lblUP");
        up("lblUP");
        click("lblUP");
    }
    EXPECT_EQ(text("txtNo"), "01"); // both held back
    d.clock.ticks += 150;
    tick("PressHold");
    const QString early = text("txtNo");
    d.clock.ticks += 51;
    tick("PressHold");
    EXPECT_EQ((QStringList{early, text("txtNo")}),
              (QStringList{"01", "03"})); // in order, each once
    EXPECT_FALSE(d.timers["PressHold"].isActive());
    walk({{"", "lblDWN", "02"}}); // from the keyboard: no press to wait out
    EXPECT_EQ(opened(), (QStringList{"http://s/p02", "http://s/p03", "http://s/p02"}));
}

// As the pointer gives them: press, release, click, the second press, release.
TEST_F(Stepping, ADoubleClickOnALabelActsOnceOnACommandButtonTwice) {
    range("http://s/p[01-20]");
    const auto doubleClick = [&](const char* name) {
        down(name);
        up(name);
        click(name);
        panel.doubleClick(ctl(name), MouseButton::Left);
        up(name);
        d.clock.ticks += 300;
        tick("PressHold");
    };
    doubleClick("lblUP");
    EXPECT_EQ(text("txtNo"), "02");
    doubleClick("UPbutton");
    EXPECT_EQ(text("txtNo"), "04");
    doubleClick("lblAuto");
    EXPECT_FALSE(isOn(panel.s.AutoBrowse));
    EXPECT_EQ(opened(), (QStringList{"http://s/p02", "http://s/p03", "http://s/p04"}));
}

TEST_F(Stepping, PickModeStepsFromThePickedNumber) {
    copy("https://site/img007.jpg");
    EXPECT_EQ(opened(), QStringList{"http://site/img007.jpg"});
    select(15, 3);
    click("lblCUT");
    EXPECT_EQ(text("txtNo"), "7");
    // The box holds the page asked for, and no span of the old text, before the browser answers.
    walk({{"", "lblUP", "008"}});
    EXPECT_EQ(text("txtNow"), "http://site/img008.jpg");
    EXPECT_EQ(panel.c[Ctl::txtNow].selLength, 0);
    walk({{"7", "lblDWN", "6"}}); // as right after PICK: down pads to the shorter text
    EXPECT_EQ(opened().back(), "http://site/img6.jpg");

    // A new plain URL opened in pick mode ends pick mode at once; its text drops
    // the selection, so PICK takes nothing from it.
    select(7, 4);
    copy("http://other/x");
    EXPECT_FALSE(isOn(panel.s.PickMode));
    click("lblCUT");
    select(0, 2);
    click("lblCUT");
    EXPECT_EQ(titles() << text("txtNo"), (QStringList{msg::pickTitle(), "6"}));

    // A round number is picked as plain digits, so a step keeps its width.
    copy("http://s/p100000.jpg");
    select(10, 6);
    click("lblCUT");
    walk({{"", "lblDWN", "099999"}});
    EXPECT_EQ(opened().back(), "http://s/p099999.jpg");
}

TEST_F(Stepping, ABrowserThatCannotBeReachedIsReportedOncePerCommand) {
    range("http://site/p[01-20].jpg");
    d.browser.failWith = OpenFailure::NoBrowser;
    for (int i = 0; i < 3; ++i)
        click("lblUP");
    answer();
    EXPECT_EQ(titles(), QStringList{msg::accessTitle()});
    EXPECT_EQ(panel.c[Ctl::Sh1].back, colors::Black);
    click("lblUP");
    answer();
    EXPECT_EQ(titles(), (QStringList{msg::accessTitle(), msg::accessTitle()}));
}

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
