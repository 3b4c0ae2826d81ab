// AUTO, the count buttons, the spin buttons, the held caret arrows and the
// floating step windows. Every step goes through the shared Step and Limiter
// rules.
#include "browse/count_controls.h"

#include "browse/commands.h"
#include "browse/stepping.h"
#include "panel/panel.h"
#include "panel/user_texts.h"

#include <memory>

namespace kurumin {

namespace {

// Where a floating window opens, from the panel's top-left corner (twips).
constexpr int kStepWindowLeft = 2130;
constexpr int kStepWindowTop = 685;
constexpr std::uint32_t kHoldDelayMs = 200;

void countFailed(Panel& p) {
    p.message(msg::countFailedText(), msg::stepFailedTitle());
}

void toggleAuto(Panel& p) {
    p.c[Ctl::lblAuto].fore = isOn(p.s.AutoBrowse) ? colors::DullRed : colors::Red;
    p.s.AutoBrowse = complement(p.s.AutoBrowse);
}

Direction opposite(Direction d) {
    return d == Direction::Up ? Direction::Down : Direction::Up;
}

void pressCountButton(Panel& p, Direction d, MouseButton button) {
    p.steps.close(opposite(d));
    if (button != MouseButton::Right) return;
    const RectTwips at = p.window() ? p.window()->geometry() : RectTwips{};
    p.steps.open(d, at.left + kStepWindowLeft, at.top + kStepWindowTop);
}

// One tick of a held spin button. Text that is no number stops the spin with
// one box for the press, never one every 50 ms.
void spinTick(Panel& p, Direction d, TimerPort& timer) {
    const auto body = [&] {
        if (d == Direction::Down && currentNumber(p) <= 0) return;
        setWidth(p, static_cast<int>(p.text(Ctl::txtNo).size()));
        p.s.PickDigits = p.s.DigitCount;
        if (!limiterAllows(p, d, {true, [&timer] { timer.stop(); }})) return;
        stepNumber(p, d == Direction::Up ? 1 : -1);
    };
    trap(body, [&] {
        timer.stop();
        countFailed(p);
    });
}

void stepWindowClick(Panel& p, Direction d, int index) {
    if (index <= 0 || index >= StepLabelCount) {
        if (index == 0) p.steps.close(d);
        return;
    }
    const int step = StepWindowSteps[static_cast<std::size_t>(index)];
    const auto body = [&] {
        setWidth(p, stepWidth(p, Direction::Up)); // the picked width either way
        if (!limiterAllows(p, d)) return;
        stepNumber(p, d == Direction::Up ? step : -step);
        caretsToEnd(p);
        openSteppedPage(p);
    };
    trap(body, [&] { countFailed(p); });
}

void stepWindowHover(Panel& p, Direction d, int index) {
    StepWindowModel* w = p.steps.get(d);
    if (!w || index >= StepLabelCount) return;
    if (index >= 0) {
        w->labels[static_cast<std::size_t>(index)].back = colors::White;
        return;
    }
    for (Control& l : w->labels)
        l.back = colors::PanelBack;
}

void wireSpinButtons(Panel& p) {
    TimerPort& cup = p.timer(Tmr::Cup);
    TimerPort& cdwn = p.timer(Tmr::Cdwn);
    p.onTick(Tmr::Cup, [&p, &cup] { spinTick(p, Direction::Up, cup); });
    p.onTick(Tmr::Cdwn, [&p, &cdwn] { spinTick(p, Direction::Down, cdwn); });
    p.onMouseDown(Ctl::cmdUP, [&cup](MouseButton) { cup.start(); });
    p.onMouseUp(Ctl::cmdUP, [&cup](MouseButton) { cup.stop(); });
    p.onMouseDown(Ctl::Command1, [&p, &cdwn](MouseButton) {
        trap(
            [&] {
                if (currentNumber(p) > 0) cdwn.start();
            },
            [&] { countFailed(p); });
    });
    p.onMouseUp(Ctl::Command1, [&cdwn](MouseButton) { cdwn.stop(); });
}

// A held arrow repeats once the hold delay has passed; a release within it
// leaves only the click's single move.
void wireHeldArrows(Panel& p) {
    const auto pressedAt = std::make_shared<std::uint32_t>(0); // of the arrow held last
    struct HeldArrow {
        Ctl label;
        Tmr timer;
        int by;
    };
    for (const HeldArrow a :
         {HeldArrow{Ctl::Label2, Tmr::Timer1, 1}, HeldArrow{Ctl::Label3, Tmr::Timer2, -1}}) {
        TimerPort& t = p.timer(a.timer);
        p.onMouseDown(a.label, [&p, &t, a, pressedAt](MouseButton) {
            p.c[a.label].fore = colors::Cyan;
            *pressedAt = p.svc.clock.tickCount();
            t.start();
        });
        p.onMouseUp(a.label, [&p, &t, a](MouseButton) {
            p.c[a.label].fore = colors::Blue;
            t.stop();
        });
        p.onTick(a.timer, [&p, a, pressedAt] {
            if (p.svc.clock.tickCount() - *pressedAt <= kHoldDelayMs) return;
            moveCaret(p, a.by);
        });
    }
}

} // namespace

void wireCountControls(Panel& p) {
    p.onClick(Ctl::lblAuto, [&p] { toggleAuto(p); });
    p.onClick(Ctl::UPbutton, [&p] { stepAndBrowse(p, Direction::Up, StepControl::CountButton); });
    p.onClick(Ctl::DWNbutton,
              [&p] { stepAndBrowse(p, Direction::Down, StepControl::CountButton); });
    p.onMouseDown(Ctl::UPbutton, [&p](MouseButton b) { pressCountButton(p, Direction::Up, b); });
    p.onMouseDown(Ctl::DWNbutton, [&p](MouseButton b) { pressCountButton(p, Direction::Down, b); });
    wireSpinButtons(p);
    wireHeldArrows(p);
    p.onStepClick([&p](Direction d, int index) { stepWindowClick(p, d, index); });
    p.onStepMouseMove([&p](Direction d, int index) { stepWindowHover(p, d, index); });
}

} // namespace kurumin
