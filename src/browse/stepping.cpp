#include "browse/stepping.h"

#include "app/panel.h"
#include "browse/messages.h"
#include "browse/navigation.h"
#include "browse/numbers.h"

namespace kurumin {

namespace {
QString& box(Panel& p, const char* name) {
    return p.text(QString::fromLatin1(name));
}
} // namespace

int stepWidth(Panel& p, Direction d) {
    if (!isOn(p.s.PickMode)) return static_cast<int>(box(p, "txtLimL").size());
    return d == Direction::Up ? p.s.PickDigits : static_cast<int>(box(p, "txtNo").size());
}

void setWidth(Panel& p, int digits) {
    p.s.DigitCount = static_cast<std::int16_t>(digits);
    p.s.PadMask = zeroMask(digits);
}

double currentNumber(Panel& p) {
    return numberOf(box(p, "txtNo"));
}

void showLimiterMessage(Panel& p) {
    p.message(msg::limiterText(), msg::limiterTitle());
}

bool limiterAllows(Panel& p, Direction d, LimitOptions options) {
    const double min = numberOf(box(p, "txtLimL"));
    if (d == Direction::Up) {
        const double max = numberOf(box(p, "txtLimH"));
        if (!isOn(p.s.LimitOn) || (isOn(p.s.PickMode) && !options.evenInPickMode)) return true;
        if (currentNumber(p) < min) box(p, "txtNo") = shortestText(min - 1);
        if (currentNumber(p) >= max) {
            box(p, "txtNo") = box(p, "txtLimH");
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
    box(p, "txtNo") = padNumber(numberOf(p.s.lblNoo), p.s.DigitCount);
}

void openSteppedPage(Panel& p) {
    if (!isOn(p.s.AutoBrowse)) return;
    if (isOn(p.s.PickMode))
        OpenPickedUrl(p);
    else
        OpenRangeUrl(p);
}

void caretsToEnd(Panel& p) {
    for (const char* name : {"txtNo", "txtNow"}) {
        const QString n = QString::fromLatin1(name);
        p.setCaret(n, static_cast<int>(p.text(n).size()));
    }
}

void showLimiterState(Panel& p, bool restColourWhenOff) {
    const bool on = isOn(p.s.LimitOn);
    p.c["lblLIMIT"].fore = on ? colors::Red : restColourWhenOff ? colors::Rest : colors::DullRed;
    p.enable(QStringLiteral("txtLimH"), on);
    p.enable(QStringLiteral("txtLimL"), on);
}

} // namespace kurumin
