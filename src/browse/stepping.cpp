#include "browse/stepping.h"

#include "browse/navigation.h"
#include "browse/numbers.h"
#include "panel/panel.h"
#include "panel/user_texts.h"

namespace kurumin {

int stepWidth(Panel& p, Direction d) {
    if (!isOn(p.s.PickMode)) return static_cast<int>(p.text(Ctl::txtLimL).size());
    return d == Direction::Up ? p.s.PickDigits : static_cast<int>(p.text(Ctl::txtNo).size());
}

void setWidth(Panel& p, int digits) {
    p.s.DigitCount = static_cast<std::int16_t>(digits);
    p.s.PadMask = zeroMask(digits);
}

double currentNumber(Panel& p) {
    return numberOf(p.text(Ctl::txtNo));
}

void showLimiterMessage(Panel& p) {
    p.message(msg::limiterText(), msg::limiterTitle());
}

bool limiterAllows(Panel& p, Direction d, LimitOptions options) {
    const double min = numberOf(p.text(Ctl::txtLimL));
    if (d == Direction::Up) {
        const double max = numberOf(p.text(Ctl::txtLimH));
        if (!isOn(p.s.LimitOn) || (isOn(p.s.PickMode) && !options.evenInPickMode)) return true;
        if (currentNumber(p) < min) p.setText(Ctl::txtNo, shortestText(min - 1));
        if (currentNumber(p) >= max) {
            p.setText(Ctl::txtNo, p.text(Ctl::txtLimH));
            if (options.onStop) options.onStop();
            showLimiterMessage(p);
            return false;
        }
        return true;
    }
    if (isOn(p.s.LimitOn) && currentNumber(p) <= min) {
        if (options.onStop) options.onStop();
        showLimiterMessage(p);
        return false;
    }
    return true;
}

void stepNumber(Panel& p, double delta) {
    p.s.lblNoo = shortestText(currentNumber(p) + delta);
    p.s.PadMask = zeroMask(p.s.DigitCount);
    p.setText(Ctl::txtNo, padNumber(numberOf(p.s.lblNoo), p.s.DigitCount));
}

void openSteppedPage(Panel& p) {
    if (!isOn(p.s.AutoBrowse)) return;
    if (isOn(p.s.PickMode))
        OpenPickedUrl(p);
    else
        OpenRangeUrl(p);
}

void caretsToEnd(Panel& p) {
    for (const Ctl n : {Ctl::txtNo, Ctl::txtNow})
        p.setCaret(n, static_cast<int>(p.text(n).size()));
}

void showLimiterState(Panel& p, LimitOffColour offColour) {
    const bool on = isOn(p.s.LimitOn);
    p.c[Ctl::lblLIMIT].fore = on                                  ? colors::Red
                              : offColour == LimitOffColour::Rest ? colors::Rest
                                                                  : colors::DullRed;
    p.enable(Ctl::txtLimH, on);
    p.enable(Ctl::txtLimL, on);
}

} // namespace kurumin
