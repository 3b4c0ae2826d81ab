// PICK, UP, DWN, [SET], LIMIT and the caret arrows' click.
#include "browse/commands.h"

#include "browse/modes.h"
#include "browse/navigation.h"
#include "browse/numbers.h"
#include "browse/stepping.h"
#include "panel/messages.h"
#include "panel/panel.h"

namespace kurumin {

namespace {

constexpr Ctl kNow = Ctl::txtNow;
constexpr Ctl kNo = Ctl::txtNo;

// A failure inside UP or DWN ends the command with Error_06.
template <typename Body> void stepCommand(Panel& p, const QString& failureText, Body body) {
    trap(body, [&] { p.message(failureText, msg::stepFailedTitle()); });
}

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
        showLimiterState(p, true);
    };
    trap(body, [&] { p.message(msg::pickText(), msg::pickTitle()); });
}

void stepUp(Panel& p, const QString& failureText, bool countButton) {
    stepCommand(p, failureText, [&] {
        if (countButton) p.setFocus(kNo);
        setWidth(p, stepWidth(p, Direction::Up));
        if (!limiterAllows(p, Direction::Up)) return;
        stepNumber(p, 1);
        if (countButton) caretsToEnd(p);
        openSteppedPage(p);
    });
}

void stepDown(Panel& p, const QString& failureText, bool countButton) {
    stepCommand(p, failureText, [&] {
        if (countButton) p.setFocus(kNo);
        if (currentNumber(p) <= 0) return;
        setWidth(p, stepWidth(p, Direction::Down));
        if (!limiterAllows(p, Direction::Down)) return;
        stepNumber(p, -1);
        if (countButton) caretsToEnd(p);
        openSteppedPage(p);
    });
}

// [SET] has no message of its own.
void setToMin(Panel& p) {
    trap([&] {
        const QString& min = p.text(Ctl::txtLimL);
        setWidth(p, static_cast<int>(min.size()));
        p.setText(kNo, padText(min, p.s.DigitCount));
        enterRangeMode(p);
        showLimiterState(p, true);
        caretsToEnd(p);
        if (isOn(p.s.AutoBrowse)) OpenRangeUrl(p);
    });
}

void toggleLimit(Panel& p) {
    const bool wasOn = isOn(p.s.LimitOn);
    p.text(Ctl::lblLIMIT) = wasOn ? QStringLiteral("OFF") : QStringLiteral("ON");
    p.s.LimitOn = complement(p.s.LimitOn);
    showLimiterState(p, false);
}

void moveCaret(Panel& p, int by) {
    const Control& now = p.c[kNow];
    const int at = now.selStart;
    if (by < 0 && at < 1) return;
    p.setCaret(kNow, at + by);
}

BrowseCommands::BrowseCommands(Panel& p)
    : p_(p), hold_(p.svc.clock, p.timer(Tmr::PressHold), [&p](bool up) {
          if (up)
              stepUp(p, msg::stepFailedText(), false);
          else
              stepDown(p, msg::stepFailedText(), false);
      }) {
    p.onClick(Ctl::lblCUT, [&p] { pick(p); });
    p.onClick(Ctl::Label1, [&p] { setToMin(p); });
    p.onClick(Ctl::lblLIMIT, [&p] { toggleLimit(p); });
    p.onClick(Ctl::Label2, [&p] { moveCaret(p, 1); });
    p.onClick(Ctl::Label3, [&p] { moveCaret(p, -1); });

    // Press feedback: bright while held, green once released.
    for (const bool up : {true, false}) {
        const Ctl n = up ? Ctl::lblUP : Ctl::lblDWN;
        p.onMouseDown(n, [this, n, up](MouseButton) {
            p_.c[n].fore = colors::BrightGreen;
            hold_.pressed(up);
        });
        p.onMouseUp(n, [this, n](MouseButton) { p_.c[n].fore = colors::Green; });
        p.onClick(n, [this, up] { hold_.clicked(up); });
    }
    p.onTick(Tmr::PressHold, [this] { hold_.tick(); });
}

} // namespace kurumin
