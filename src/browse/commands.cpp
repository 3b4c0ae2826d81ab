// PICK, UP, DWN, [SET], LIMIT and the caret arrows' click.
#include "browse/commands.h"

#include "browse/modes.h"
#include "browse/navigation.h"
#include "browse/numbers.h"
#include "browse/press_hold.h"
#include "browse/stepping.h"
#include "panel/panel.h"
#include "panel/user_texts.h"

#include <memory>

namespace kurumin {

namespace {

constexpr Ctl kNow = Ctl::txtNow;
constexpr Ctl kNo = Ctl::txtNo;

} // namespace

void pick(Panel& p) {
    Control& now = p.c[kNow];
    if (now.selLength == 0) {
        p.setFocus(kNo);
        return;
    }
    const auto body = [&] {
        p.s.PickDigits = static_cast<std::int16_t>(now.selLength);
        const auto value = parseNumber(now.caption.mid(now.selStart, now.selLength));
        if (!value) throw CommandFailed("selection is no number");
        p.setText(kNo, shortestText(*value));
        enterPickMode(p);
        p.s.lblSTR = now.caption.mid(now.selStart + now.selLength);
        p.setFocus(kNo);
        p.setCaret(kNo, static_cast<int>(p.text(kNo).size()));
        showLimiterState(p, LimitOffColour::Rest);
    };
    trap(body, [&] { p.message(msg::pickText(), msg::pickTitle()); });
}

void stepAndBrowse(Panel& p, Direction d, StepControl from) {
    const bool countButton = from == StepControl::CountButton;
    const auto body = [&] {
        if (countButton) p.setFocus(kNo);
        if (d == Direction::Down && currentNumber(p) <= 0) return;
        setWidth(p, stepWidth(p, d));
        if (!limiterAllows(p, d)) return;
        stepNumber(p, d == Direction::Up ? 1 : -1);
        if (countButton) caretsToEnd(p);
        openSteppedPage(p);
    };
    // A failure ends the command with Error_06.
    trap(body, [&] {
        p.message(countButton ? msg::countFailedText() : msg::stepFailedText(),
                  msg::stepFailedTitle());
    });
}

// [SET] has no message of its own.
void setToMin(Panel& p) {
    trap([&] {
        const QString& min = p.text(Ctl::txtLimL);
        setWidth(p, static_cast<int>(min.size()));
        p.setText(kNo, padText(min, p.s.DigitCount));
        enterRangeMode(p);
        showLimiterState(p, LimitOffColour::Rest);
        caretsToEnd(p);
        if (isOn(p.s.AutoBrowse)) OpenRangeUrl(p);
    });
}

void toggleLimit(Panel& p) {
    const bool wasOn = isOn(p.s.LimitOn);
    p.text(Ctl::lblLIMIT) = wasOn ? QStringLiteral("OFF") : QStringLiteral("ON");
    p.s.LimitOn = complement(p.s.LimitOn);
    showLimiterState(p, LimitOffColour::DullRed);
}

void moveCaret(Panel& p, int by) {
    const Control& now = p.c[kNow];
    const int at = now.selStart;
    if (by < 0 && at < 1) return;
    p.setCaret(kNow, at + by);
}

void wireBrowseCommands(Panel& p) {
    const auto hold =
        std::make_shared<PressHold>(p.svc.clock, p.timer(Tmr::PressHold),
                                    [&p](Direction d) { stepAndBrowse(p, d, StepControl::Label); });
    p.onClick(Ctl::lblCUT, [&p] { pick(p); });
    p.onClick(Ctl::Label1, [&p] { setToMin(p); });
    p.onClick(Ctl::lblLIMIT, [&p] { toggleLimit(p); });
    p.onClick(Ctl::Label2, [&p] { moveCaret(p, 1); });
    p.onClick(Ctl::Label3, [&p] { moveCaret(p, -1); });

    // Press feedback: bright while held, green once released.
    for (const Direction d : {Direction::Up, Direction::Down}) {
        const Ctl n = d == Direction::Up ? Ctl::lblUP : Ctl::lblDWN;
        p.onMouseDown(n, [&p, n, d, hold](MouseButton) {
            p.c[n].fore = colors::BrightGreen;
            hold->pressed(d);
        });
        p.onMouseUp(n, [&p, n](MouseButton) { p.c[n].fore = colors::Green; });
        p.onClick(n, [d, hold] { hold->clicked(d); });
    }
    p.onTick(Tmr::PressHold, [hold] { hold->tick(); });
}

} // namespace kurumin
