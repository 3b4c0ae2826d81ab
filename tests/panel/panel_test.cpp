// The scheduler under the panel, its start and end, and the panel as a window of its own.
#include "panel/scheduler.h"
#include "panel/trap.h"
#include "panel_fixture.h"

#include <stdexcept>

namespace kurumin::testing {
namespace {

const Origin kAt{"Click", Ctl::lblUP, std::nullopt};

TEST(Scheduler, AHandlerFallingDueInsideAnotherRunsAfterItInOrder) {
    Scheduler s;
    QStringList log;
    int notified = 0;
    s.setWhenEnded([&] { ++notified; });
    s.run(kAt, [&] {
        log << "outer begins";
        // As a modal box's loop would: a click and an answer arrive meanwhile.
        s.run(kAt, [&] { log << "first"; });
        s.run(kAt, [&] {
            log << "second";
            s.run(kAt, [&] { log << "third"; });
        });
        EXPECT_TRUE(s.inHandler());
        log << "outer ends";
    });
    EXPECT_EQ(log, (QStringList{"outer begins", "outer ends", "first", "second", "third"}));
    EXPECT_EQ(notified, 4); // after each handler, never inside one
    EXPECT_FALSE(s.inHandler());
}

TEST(Scheduler, TicksInsideAHandlerAreHeldBackOnceAndDroppedWhenTheTimerStopped) {
    Scheduler s;
    int up = 0, down = 0;
    bool active = true;
    const auto tick = [&](Tmr t, int& n) {
        s.tick(
            t, [&n] { ++n; }, [&] { return active; });
    };
    s.run(kAt, [&] {
        for (int i = 0; i < 5; ++i)
            tick(Tmr::Cup, up);
        tick(Tmr::Cdwn, down);
    });
    EXPECT_EQ(std::pair(up, down), std::pair(1, 1));
    s.run(kAt, [&] {
        tick(Tmr::Cup, up);
        active = false; // stopped before the held tick could run
    });
    EXPECT_EQ(up, 1);
    active = true;
    tick(Tmr::Cup, up); // outside a handler: at once
    EXPECT_EQ(up, 2);
}

TEST(Scheduler, SystemFailuresEndTheHandlerBugsAbortOrAreReportedAndStoppedRunsNothing) {
    int ran = 0;
    // A bug must pass a trap, or nothing would report it.
    EXPECT_THROW(trap([] { throw std::out_of_range("bug"); }, [] {}), std::out_of_range);
    EXPECT_DEATH(
        {
            Scheduler s;
            s.setOnBug(OnBug::Abort);
            s.run(kAt, [] { throw std::out_of_range("bad index"); });
        },
        "bug in handler lblUP.Click: bad index");

    Scheduler s;
    s.setOnBug(OnBug::Report);
    s.run(kAt, [] { throw CommandFailed("not a number"); });
    s.run(kAt, [] { throw PlatformFailure("clipboard busy"); });
    s.run(kAt, [] { throw std::logic_error("missing"); });
    s.run(kAt, [&] { ++ran; });
    EXPECT_EQ(ran, 1); // the running panel survives
    EXPECT_EQ(s.bugsReported(), 1);
    s.run(kAt, [&] {
        s.run(kAt, [&] { ++ran; });
        s.stop();
    });
    s.run(kAt, [&] { ++ran; });
    EXPECT_EQ(ran, 1);
}

// The timers that run from the start are proven by every tick the other tests fire.
TEST_F(PanelTest, StartUpLeavesTheRepeatingTimersStoppedAndExitSavesNothing) {
    for (const char* t : {"Cup", "Cdwn", "Timer1", "Timer2", "Timer4"})
        EXPECT_FALSE(d.timers[t].isActive()) << t;
    bool quit = false;
    panel.setQuitHandler([&] { quit = true; });
    click("lblEXIT");
    EXPECT_TRUE(quit && panel.closed());
    EXPECT_FALSE(d.timers["timCrip"].isActive());
    EXPECT_EQ(d.profile.writes, 0);
}

class WindowBehaviour : public PanelTest {
  protected:
    void press(const char* name, MouseButton b) {
        down(name, b);
        up(name, b);
    }
    // Opens both step windows, presses, and tells whether they closed.
    bool pressClosesStepWindows(const char* name, MouseButton b) {
        panel.steps.open(Direction::Up, 0, 0);
        panel.steps.open(Direction::Down, 0, 0);
        press(name, b);
        return !panel.frmUP() && !panel.frmDWN();
    }
    bool blinking() { return d.timers["Timer4"].isActive(); }
    Color lamp() { return *panel.c[Ctl::lnp].back; }
    const RectTwips home{1000, 100, 2730, 685}, tucked{-2730, 100, 2970, 685};
};

TEST_F(WindowBehaviour, ARightPressTucksThePanelToItsMonitorsEdgeAndAPressOnTheStripBringsItBack) {
    for (const MouseButton b : {MouseButton::Left, MouseButton::Middle}) {
        EXPECT_TRUE(pressClosesStepWindows("Form1", b));
        EXPECT_EQ(window.geo, home);
    }
    press("lbl10", MouseButton::Left); // in place, the strip must not shrink it
    EXPECT_EQ(window.geo, home);

    EXPECT_TRUE(pressClosesStepWindows("Form1", MouseButton::Right));
    EXPECT_EQ(window.geo, tucked);
    EXPECT_TRUE(pressClosesStepWindows("Form1", MouseButton::Right)); // tucked already
    EXPECT_EQ(window.geo, tucked);
    const auto blink = [&] {
        tick("Timer4");
        return lamp();
    };
    EXPECT_EQ((std::vector{blink(), blink(), blink()}), (std::vector<Color>{0xFF, 0x80, 0xFF}));
    press("lbl10", MouseButton::Middle);
    EXPECT_EQ(window.geo, home);
    EXPECT_FALSE(blinking());
    EXPECT_EQ(lamp(), 0xFFu);
    // The phase carries on where it stopped at the next tuck.
    press("Form1", MouseButton::Right);
    EXPECT_TRUE(blinking());
    EXPECT_EQ(blink(), 0x80u);
    press("lnp", MouseButton::Left); // the lamp is part of the strip
    EXPECT_EQ(window.geo, home);

    // On a monitor right of another the strip stays at that monitor's edge;
    // past the desktop's, nothing of the panel would be on its own monitor.
    window.monitor = 24000;
    window.geo.left = 30000;
    press("Form1", MouseButton::Right);
    EXPECT_EQ(window.geo, (RectTwips{24000 - 2730, 100, 2970, 685}));
    press("lbl10", MouseButton::Left);
    EXPECT_EQ(window.geo, (RectTwips{30000, 100, 2730, 685}));
}

TEST_F(WindowBehaviour, FoldingAndTuckingAreIndependent) {
    window.geo.left = 1001; // an odd pixel's worth of twips comes back exactly
    press("Form1", MouseButton::Right);
    click("lblOPEN");
    EXPECT_EQ(window.geo, (RectTwips{-2730, 100, 2970, 2955}));
    press("lbl10", MouseButton::Right);
    EXPECT_EQ(window.geo, (RectTwips{1001, 100, 2730, 2955}));
    EXPECT_EQ(panel.c[Ctl::lbl10].geo.height, 2895);
    panel.steps.open(Direction::Up, 0, 0);
    click("lblOPEN");
    EXPECT_FALSE(panel.frmUP());
    EXPECT_EQ(window.geo.height, 685);
    EXPECT_EQ(panel.c[Ctl::lbl10].geo.height, 630);
}

// A lit label stays lit until the pointer crosses something whose list holds
// it; UP and DWN keep their press colours, AUTO its switch's.
TEST_F(WindowBehaviour, ALitLabelStaysLitUntilALaterListHoldsIt) {
    for (Control& c : panel.c)
        c.enabled = true;
    const Color lblAuto = fore("lblAuto");
    panel.mouseMove(Ctl::lblKeep);
    panel.mouseMove(Ctl::lblCUT);
    EXPECT_EQ(std::pair(fore("lblKeep"), fore("lblCUT")), std::pair(colors::Green, colors::Green));
    panel.mouseMove(Ctl::lblEDIT);
    EXPECT_EQ(std::pair(fore("lblEDIT"), fore("lblCUT")), std::pair(colors::Blue, colors::Rest));
    panel.c[Ctl::lblUP].fore = colors::BrightGreen;
    panel.mouseMove(Ctl::lblUP);
    panel.mouseMove(Ctl::Picture1);
    EXPECT_EQ(std::pair(fore("lblUP"), fore("lblKeep")),
              std::pair(colors::BrightGreen, colors::Green));
    setText("txtNow", "http://example.com/a/very/long/001.jpg");
    panel.mouseMove(Ctl::txtNow);
    EXPECT_EQ(std::pair(fore("lblKeep"), fore("lblUP")), std::pair(colors::Rest, colors::Rest));
    EXPECT_EQ(panel.c[Ctl::txtNow].toolTip, text("txtNow")); // the whole text
    EXPECT_EQ(fore("lblAuto"), lblAuto);
}

// The background and both pictures drag, with the left button alone, once a
// press: the window manager ends the move at the release, and a move asked
// after it would follow the pointer with no button held.
TEST_F(WindowBehaviour, TheBackgroundAndBothPicturesDragOncePerPress) {
    panel.enable(Ctl::txtNo);
    for (const char* area : {"Form1", "Pic1", "Picture1", "txtNo"}) {
        panel.mouseDown(ctl(area), MouseButton::Left);
        for (int stale = 0; stale < 3; ++stale)
            panel.mouseMove(ctl(area), {true, false, false});
        panel.mouseUp(ctl(area), MouseButton::Left);
    }
    panel.mouseDown(Ctl::Form1, MouseButton::Left);
    panel.mouseMove(Ctl::Form1, {true, true, false});
    panel.mouseUp(Ctl::Form1, MouseButton::Left);
    // Not the panel's press: one elsewhere, or one that only closed a popup.
    panel.mouseDown(Ctl::List1, MouseButton::Left);
    panel.mouseMove(Ctl::Form1, {true, false, false});
    panel.mouseUp(Ctl::List1, MouseButton::Left);
    panel.mouseMove(Ctl::Form1, {true, false, false});
    EXPECT_EQ(window.moves, 3);
}

// The end-to-end run opens the help page for real; here the browser fails first.
TEST_F(WindowBehaviour, TheAboutWindowStaysOpenUntilTheBrowserHasTheHelpPage) {
    click("lblEDIT");
    d.browser.failWith = OpenFailure::NoBrowser;
    d.about.link();
    answer();
    EXPECT_EQ(titles(), QStringList{msg::accessTitle()});
    EXPECT_TRUE(d.about.window.isOpen());
    d.browser.failWith = OpenFailure::None;
    d.about.link();
    EXPECT_TRUE(d.about.window.isOpen());
    answer();
    EXPECT_EQ(d.browser.requested.back(), QStringLiteral("file:///opt/kurumin/help/index.html"));
    EXPECT_FALSE(d.about.window.isOpen());
}

} // namespace
} // namespace kurumin::testing
