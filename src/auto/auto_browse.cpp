// AUTO, the count buttons, the spin buttons, the held caret arrows and the
// floating step windows. Every step goes through the shared Step and Limiter
// rules.
#include "auto/auto_browse.h"

#include "app/panel.h"
#include "browse/commands.h"
#include "browse/messages.h"
#include "browse/stepping.h"

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
    p.c["lblAuto"].fore = isOn(p.s.AutoBrowse) ? colors::DullRed : colors::Red;
    p.s.AutoBrowse = complement(p.s.AutoBrowse);
}

void pressCountButton(Panel& p, bool up, MouseButton button) {
    p.closeStepWindow(up ? p.frmDWN : p.frmUP);
    if (button != MouseButton::Right) return;
    const RectTwips at = p.window() ? p.window()->geometry() : RectTwips{};
    p.openStepWindow(up, at.left + kStepWindowLeft, at.top + kStepWindowTop);
}

// One tick of a held spin button. Text that is no number stops the spin with
// one box for the press, never one every 50 ms.
void spinTick(Panel& p, Direction d, TimerPort& timer) {
    try {
        if (d == Direction::Down && currentNumber(p) <= 0) return;
        setWidth(p, static_cast<int>(p.text(QStringLiteral("txtNo")).size()));
        p.s.PickDigits = p.s.DigitCount;
        if (!limiterAllows(p, d, {true, [&timer] { timer.stop(); }})) return;
        stepNumber(p, d == Direction::Up ? 1 : -1);
    } catch (const std::exception&) {
        timer.stop();
        countFailed(p);
    }
}

void stepWindowClick(Panel& p, bool up, int index) {
    if (index <= 0 || index > 6) {
        if (index == 0) p.closeStepWindow(up ? p.frmUP : p.frmDWN);
        return;
    }
    try {
        const Direction d = up ? Direction::Up : Direction::Down;
        setWidth(p, stepWidth(p, Direction::Up)); // the picked width either way
        if (!limiterAllows(p, d)) return;
        stepNumber(p, up ? StepWindowSteps[index] : -StepWindowSteps[index]);
        caretsToEnd(p);
        openSteppedPage(p);
    } catch (const std::exception&) {
        countFailed(p);
    }
}

void stepWindowHover(Panel& p, bool up, int index) {
    StepWindow* w = (up ? p.frmUP : p.frmDWN).get();
    if (!w) return;
    if (index >= 0) {
        w->labels[stepLabelName(index)].back = colors::White;
        return;
    }
    for (int i = 0; i <= 6; ++i)
        w->labels[stepLabelName(i)].back = colors::PanelBack;
}

struct HeldArrow {
    const char* label;
    const char* timer;
    int by;
};

} // namespace

void wireAuto(Panel& p) {
    p.onClick(QStringLiteral("lblAuto"), [&p] { toggleAuto(p); });
    p.onClick(QStringLiteral("UPbutton"), [&p] { stepUp(p, msg::countFailedText(), true); });
    p.onClick(QStringLiteral("DWNbutton"), [&p] { stepDown(p, msg::countFailedText(), true); });
    p.onMouseDown(QStringLiteral("UPbutton"),
                  [&p](MouseButton b) { pressCountButton(p, true, b); });
    p.onMouseDown(QStringLiteral("DWNbutton"),
                  [&p](MouseButton b) { pressCountButton(p, false, b); });

    TimerPort& cup = p.timer(QStringLiteral("Cup"));
    TimerPort& cdwn = p.timer(QStringLiteral("Cdwn"));
    p.onTick(QStringLiteral("Cup"), [&p, &cup] { spinTick(p, Direction::Up, cup); });
    p.onTick(QStringLiteral("Cdwn"), [&p, &cdwn] { spinTick(p, Direction::Down, cdwn); });
    p.onMouseDown(QStringLiteral("cmdUP"), [&cup](MouseButton) { cup.start(); });
    p.onMouseUp(QStringLiteral("cmdUP"), [&cup](MouseButton) { cup.stop(); });
    p.onMouseDown(QStringLiteral("Command1"), [&p, &cdwn](MouseButton) {
        try {
            if (currentNumber(p) > 0) cdwn.start();
        } catch (const std::exception&) {
            countFailed(p);
        }
    });
    p.onMouseUp(QStringLiteral("Command1"), [&cdwn](MouseButton) { cdwn.stop(); });

    // A held arrow repeats once the hold delay has passed; a release within
    // it leaves only the click's single move.
    auto pressedAt = std::make_shared<std::uint32_t>(0);
    for (const HeldArrow a :
         {HeldArrow{"Label2", "Timer1", 1}, HeldArrow{"Label3", "Timer2", -1}}) {
        const QString label = QString::fromLatin1(a.label);
        TimerPort& t = p.timer(QString::fromLatin1(a.timer));
        p.onMouseDown(label, [&p, &t, label, pressedAt](MouseButton) {
            p.c[label].fore = colors::Cyan;
            *pressedAt = p.svc.clock.tickCount();
            t.start();
        });
        p.onMouseUp(label, [&p, &t, label](MouseButton) {
            p.c[label].fore = colors::Blue;
            t.stop();
        });
        p.onTick(QString::fromLatin1(a.timer), [&p, pressedAt, by = a.by] {
            if (p.svc.clock.tickCount() - *pressedAt <= kHoldDelayMs) return;
            moveCaret(p, by);
        });
    }

    p.onStepClick([&p](bool up, int index) { stepWindowClick(p, up, index); });
    p.onStepMouseMove([&p](bool up, int index) { stepWindowHover(p, up, index); });
}

} // namespace kurumin
