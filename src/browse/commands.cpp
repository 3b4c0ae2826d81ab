// PICK, UP, DWN, [SET], LIMIT and the caret arrows' click.
#include "browse/commands.h"

#include "app/panel.h"
#include "browse/messages.h"
#include "browse/navigation.h"
#include "browse/numbers.h"
#include "browse/stepping.h"

#include <algorithm>
#include <deque>
#include <map>
#include <memory>

namespace kurumin {

namespace {

const QString kNow = QStringLiteral("txtNow");
const QString kNo = QStringLiteral("txtNo");
constexpr std::uint32_t kPressHoldMs = 200;

// A failure inside UP or DWN ends the command with Error_06.
template <typename Body> void stepCommand(Panel& p, const QString& failureText, Body body) {
    try {
        body();
    } catch (const std::exception&) {
        p.message(failureText, msg::stepFailedTitle());
    }
}

void enableSteppers(Panel& p) {
    for (const char* n : {"cmdUP", "Command1"})
        p.enable(QString::fromLatin1(n));
}

} // namespace

void pick(Panel& p) {
    Control& now = p.c[kNow];
    if (now.selLength == 0) {
        p.setFocus(kNo);
        return;
    }
    try {
        p.s.PickDigits = static_cast<std::int16_t>(now.selLength);
        const auto value = parseNumber(now.caption.mid(now.selStart, now.selLength));
        if (!value) throw CommandFailed("selection is no number");
        p.text(kNo) = shortestText(*value);
        p.enable(kNo);
        p.s.PickMode = True;
        p.s.lblSTR = now.caption.mid(now.selStart + now.selLength);
        p.setFocus(kNo);
        p.setCaret(kNo, static_cast<int>(p.text(kNo).size()));
        if (isOn(p.s.UrlCaptured)) {
            p.enable(QStringLiteral("UPbutton"));
            p.enable(QStringLiteral("DWNbutton"));
        }
        showLimiterState(p, true);
        enableSteppers(p);
    } catch (const std::exception&) {
        p.message(msg::pickText(), msg::pickTitle());
    }
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

void setToMin(Panel& p) {
    try {
        const QString& min = p.text(QStringLiteral("txtLimL"));
        setWidth(p, static_cast<int>(min.size()));
        p.text(kNo) = padText(min, p.s.DigitCount);
        p.s.PickMode = False;
        for (const char* n : {"cmdUP", "Command1", "txtNo", "UPbutton", "DWNbutton"})
            p.enable(QString::fromLatin1(n));
        showLimiterState(p, true);
        caretsToEnd(p);
        if (isOn(p.s.AutoBrowse)) OpenRangeUrl(p);
    } catch (const std::exception&) {
        // [SET] has no message of its own.
    }
}

void toggleLimit(Panel& p) {
    const bool wasOn = isOn(p.s.LimitOn);
    p.text(QStringLiteral("lblLIMIT")) = wasOn ? QStringLiteral("OFF") : QStringLiteral("ON");
    p.s.LimitOn = complement(p.s.LimitOn);
    showLimiterState(p, false);
}

void moveCaret(Panel& p, int by) {
    const Control& now = p.c[kNow];
    const int at = now.selStart;
    if (by < 0 && at < 1) return;
    p.setCaret(kNow, at + by);
}

void wireBrowse(Panel& p) {
    p.onClick(QStringLiteral("lblCUT"), [&p] { pick(p); });
    p.onClick(QStringLiteral("Label1"), [&p] { setToMin(p); });
    p.onClick(QStringLiteral("lblLIMIT"), [&p] { toggleLimit(p); });
    p.onClick(QStringLiteral("Label2"), [&p] { moveCaret(p, 1); });
    p.onClick(QStringLiteral("Label3"), [&p] { moveCaret(p, -1); });

    // Press feedback: bright while held, green once released. A step comes
    // no sooner than 200 ms after its press, so a hasty double click cannot
    // open two pages at once; the wait runs on a timer, never in the thread.
    struct HeldStep {
        bool up;
        std::uint32_t pressedAt;
    };
    auto pressedAt = std::make_shared<std::map<QString, std::uint32_t>>();
    auto waiting = std::make_shared<std::deque<HeldStep>>();
    TimerPort& hold = p.timer(QStringLiteral("PressHold"));
    const auto step = [&p](bool up) {
        if (up)
            stepUp(p, msg::stepFailedText(), false);
        else
            stepDown(p, msg::stepFailedText(), false);
    };
    // What is left of the wait of the first step in line.
    const auto waitForFirst = [&p, &hold, waiting] {
        const std::uint32_t waited = p.svc.clock.tickCount() - waiting->front().pressedAt;
        hold.setInterval(static_cast<int>(kPressHoldMs - std::min(waited, kPressHoldMs)) + 1);
        hold.start();
    };
    for (const bool up : {true, false}) {
        const QString n = up ? QStringLiteral("lblUP") : QStringLiteral("lblDWN");
        p.onMouseDown(n, [&p, n, pressedAt](MouseButton) {
            p.c[n].fore = colors::BrightGreen;
            (*pressedAt)[n] = p.svc.clock.tickCount();
        });
        p.onMouseUp(n, [&p, n](MouseButton) { p.c[n].fore = colors::Green; });
        // A click from the keyboard or a screen reader has no press to wait out.
        p.onClick(n, [&p, n, up, step, pressedAt, waiting, waitForFirst] {
            const auto it = pressedAt->find(n);
            if (it == pressedAt->end()) return step(up);
            const std::uint32_t at = it->second;
            pressedAt->erase(it);
            if (waiting->empty() && p.svc.clock.tickCount() - at > kPressHoldMs) return step(up);
            waiting->push_back({up, at});
            if (waiting->size() == 1) waitForFirst();
        });
    }
    p.onTick(QStringLiteral("PressHold"), [&p, &hold, step, waiting, waitForFirst] {
        while (!waiting->empty() &&
               p.svc.clock.tickCount() - waiting->front().pressedAt > kPressHoldMs) {
            const bool up = waiting->front().up;
            waiting->pop_front();
            step(up);
        }
        if (waiting->empty())
            hold.stop();
        else
            waitForFirst();
    });

    // Moving onto the boxes undoes the hover highlights.
    static const char* const kHighlighted[] = {"lblAccess", "lblCUT",  "lblEDIT", "lblUP",
                                               "lblDWN",    "lblOPEN", "Label1"};
    p.onMouseMove(kNo, [&p] {
        for (const char* n : kHighlighted)
            p.c[QString::fromLatin1(n)].fore = colors::Rest;
    });
    p.onMouseMove(kNow, [&p] {
        p.c[kNow].toolTip = p.text(kNow);
        for (const char* n : kHighlighted)
            p.c[QString::fromLatin1(n)].fore = colors::Rest;
        p.c["lblKeep"].fore = colors::Rest;
    });
}

} // namespace kurumin
