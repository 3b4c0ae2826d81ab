#pragma once
// The one Step rule and the one Limiter rule that every stepping feature
// shares (UP, DWN, the count buttons, the spin ticks, the step windows).

#include "panel/controls.h"

#include <functional>

namespace kurumin {

class Panel;

// The padding width: MIN's length in range mode; in pick mode the picked
// width going up and the number's current length going down.
int stepWidth(Panel& p, Direction d);

struct LimitOptions {
    // The spin ticks limit in pick mode too; UP does not.
    bool evenInPickMode = false;
    // Runs just before the limiter's message, e.g. to stop a spin timer.
    std::function<void()> onStop;
};

// Applied before the step. False when the limiter stopped the command (its
// message has been shown). Going up, a number below MIN is first raised to
// MIN - 1 and a number at or above MAX is set to MAX's text. The bounds are
// read as numbers whether the limiter is on or not, so a bound that is no
// number fails the command.
bool limiterAllows(Panel& p, Direction d, LimitOptions options = {});

// lblNoo = number + delta; PadMask = DigitCount zeros; txtNo = lblNoo padded.
void stepNumber(Panel& p, double delta);

// DigitCount and PadMask for a width.
void setWidth(Panel& p, int digits);

// The number in txtNo; fails the command when it is no number.
double currentNumber(Panel& p);

void showLimiterMessage(Panel& p);

// Opens the stepped page when AutoBrowse is on: picked or range address.
void openSteppedPage(Panel& p);

// Caret after the last character of txtNo and of txtNow.
void caretsToEnd(Panel& p);

// LIMIT's colour and the bound boxes' enabled state, from LimitOn. Off, LIMIT
// is drawn in the resting colour or in dull red.
enum class LimitOffColour { Rest, DullRed };
void showLimiterState(Panel& p, LimitOffColour offColour);

} // namespace kurumin
