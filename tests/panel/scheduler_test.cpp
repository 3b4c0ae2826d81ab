#include "panel/scheduler.h"
#include "panel/trap.h"
#include "panel_fixture.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace kurumin::testing {
namespace {

const Origin kAt{"Click", Ctl::lblUP, std::nullopt};

TEST(Scheduler, AHandlerFallingDueInsideAnotherRunsAfterItInOrder) {
    Scheduler s;
    QStringList log;
    int notified = 0;
    s.addListener([&] { ++notified; });
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
    int ticks = 0, other = 0;
    bool active = true;
    s.run(kAt, [&] {
        for (int i = 0; i < 5; ++i)
            s.tick(
                Tmr::Cup, [&] { ++ticks; }, [&] { return active; });
        s.tick(
            Tmr::Cdwn, [&] { ++other; }, [] { return true; });
    });
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(other, 1);
    s.run(kAt, [&] {
        s.tick(
            Tmr::Cup, [&] { ++ticks; }, [&] { return active; });
        active = false; // stopped before the held tick could run
    });
    EXPECT_EQ(ticks, 1);
    s.tick(
        Tmr::Cup, [&] { ++ticks; }, [] { return true; }); // outside a handler: at once
    EXPECT_EQ(ticks, 2);
}

TEST(Scheduler, SystemFailuresEndTheHandlerAndStoppedRunsNothing) {
    Scheduler s;
    int ran = 0;
    s.run(kAt, [] { throw CommandFailed("not a number"); });
    s.run(kAt, [] { throw PlatformFailure("clipboard busy"); });
    s.run(kAt, [&] { ++ran; });
    EXPECT_EQ(ran, 1);
    s.run(kAt, [&] {
        s.run(kAt, [&] { ++ran; });
        s.stop();
    });
    s.run(kAt, [&] { ++ran; });
    EXPECT_EQ(ran, 1);
}

TEST(Scheduler, ABugAbortsUnderTheTestsAndIsReportedInARelease) {
    EXPECT_DEATH(
        {
            Scheduler s;
            s.setOnBug(OnBug::Abort);
            s.run(kAt, [] { throw std::out_of_range("bad index"); });
        },
        "bug in handler lblUP.Click: bad index");
    Scheduler s;
    s.setOnBug(OnBug::Report);
    int after = 0;
    s.run(kAt, [] { throw std::logic_error("missing"); });
    s.run(kAt, [&] { ++after; });
    EXPECT_EQ(after, 1); // the running panel survives
}

TEST(Trap, CatchesTheSystemsFailuresOnlyAndAnswersOutsideTheCatch) {
    int answered = 0;
    EXPECT_TRUE(trap([] {}, [&] { ++answered; }));
    EXPECT_FALSE(trap([] { throw CommandFailed("x"); }, [&] { ++answered; }));
    EXPECT_FALSE(trap([] { throw PlatformFailure("x"); }, [&] { ++answered; }));
    EXPECT_EQ(answered, 2);
    EXPECT_THROW(trap([] { throw std::out_of_range("bug"); }, [&] { ++answered; }),
                 std::out_of_range);
    EXPECT_EQ(answered, 2);
}

using PanelWiring = PanelTest;

TEST_F(PanelWiring, AHeldPressEndsWhenItsControlIsDisabledAndHandlersRegisterOnce) {
    int released = 0;
    panel.onMouseDown(Ctl::lblCUT, [&](MouseButton) { panel.enable(Ctl::lblCUT, false); });
    panel.onMouseUp(Ctl::lblCUT, [&](MouseButton) { ++released; });
    panel.enable(Ctl::lblCUT);
    panel.mouseDown(Ctl::lblCUT, MouseButton::Left);
    EXPECT_EQ(released, 1); // it will never see the release itself
    panel.mouseUp(Ctl::lblCUT, MouseButton::Left);
    EXPECT_EQ(released, 1);

    EXPECT_THROW(panel.onClick(Ctl::lblCUT, [] {}), std::logic_error); // PICK is wired already
    EXPECT_THROW(panel.onClick(Ctl::txtNow, [] {}), std::logic_error); // a box takes no clicks
}

TEST(ControlTable, NamesRoundTripAndArraysKeepTheirSystemNames) {
    for (std::size_t i = 0; i < ControlCount; ++i) {
        const Ctl id = static_cast<Ctl>(i);
        EXPECT_EQ(controlNamed(controlName(id)), id) << qPrintable(controlName(id));
    }
    EXPECT_EQ(controlName(Ctl::Command6_0), "Command6(0)");
    EXPECT_FALSE(controlNamed(u"lblEDlT"));
    EXPECT_EQ(timerName(Tmr::timCrip), "timCrip");
    EXPECT_EQ(timerInterval(Tmr::Timer3), 100);
    const ControlSet c;
    EXPECT_EQ(c[Ctl::lbl10].geo, (RectTwips{2745, 30, 210, 630}));
    EXPECT_FALSE(c[Ctl::List2].visible);
}

} // namespace
} // namespace kurumin::testing
