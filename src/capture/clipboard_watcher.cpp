#include "capture/clipboard_watcher.h"

#include "browse/modes.h"
#include "browse/navigation.h"
#include "browse/numbers.h"
#include "panel/panel.h"
#include "panel/user_texts.h"

#include <QRegularExpression>

#include <cmath>

namespace kurumin {

namespace {

// (L - 1) / 2, halves to the even neighbour.
qsizetype halfWidth(qsizetype length) {
    const double half = static_cast<double>(length - 1) / 2.0;
    double whole = std::floor(half);
    if (half - whole > 0.5 || (half - whole == 0.5 && std::fmod(whole, 2.0) != 0)) whole += 1;
    return static_cast<qsizetype>(std::max(0.0, whole));
}

void takeUpRange(Panel& p, const QString& text, const BracketPair& pair) {
    BrowseState& s = p.s;
    enterRangeUrl(p);
    s.lbl1 = QString::number(pair.open);
    s.lbl2 = QString::number(pair.close);
    s.lblNO = text.mid(pair.open, pair.close - pair.open - 1);
    const RangeBounds bounds = splitRange(s.lblNO);
    if (bounds.widthsDiffer) {
        p.svc.beep.beep();
        p.message(msg::rangeWidthText(), msg::rangeWidthTitle());
    }
    p.setText(Ctl::txtLimH, bounds.max);
    p.setText(Ctl::txtLimL, bounds.min);
    s.DigitCount = static_cast<std::int16_t>(bounds.min.size());
    s.PadMask = zeroMask(s.DigitCount);
    p.setText(Ctl::txtNo, padText(p.text(Ctl::txtNo), s.DigitCount));
}

void takeUpPlainUrl(Panel& p) {
    BrowseState& s = p.s;
    s.lbl1.clear();
    s.lbl2.clear();
    p.setText(Ctl::txtLimH, QStringLiteral("0"));
    p.setText(Ctl::txtLimL, QStringLiteral("0"));
    s.lblNO = QStringLiteral("0");
    enterPlainUrl(p);
    OpenCopiedUrl(p);
}

void tick(Panel& p) {
    BrowseState& s = p.s;
    ClipboardPort& clip = p.svc.clipboard;
    if (!clip.hasText()) {
        p.setText(Ctl::txtNow, msg::waitingText());
        enterWaiting(p);
        p.copied.setNone();
        return;
    }
    leaveWaiting(p);
    p.copied.set(clip.text());
    if (!p.copied.takeUp()) return;

    const QString text = p.copied.text(); // a box the tick shows lets other work run
    p.setText(Ctl::txtNow, text);
    s.KeywordPos = static_cast<std::int32_t>(text.indexOf(p.text(Ctl::txtKeyWord)) + 1);
    if (s.KeywordPos == 0) {
        p.setText(Ctl::txtNo, QStringLiteral("0"));
        enterNoAddress(p);
        return;
    }
    enterAddress(p);

    const BracketPair pair = findBrackets(text);
    s.OpenBracketPos = pair.open;
    s.CloseBracketPos = pair.close;
    if (pair.found())
        takeUpRange(p, text, pair);
    else
        takeUpPlainUrl(p);
}

} // namespace

RangeBounds splitRange(const QString& between) {
    // Two runs of digits joined by "-": each run is one bound, whatever its width.
    static const QRegularExpression runs(QStringLiteral("^([0-9]+)-([0-9]+)$"));
    if (const auto m = runs.match(between); m.hasMatch())
        return {m.captured(1), m.captured(2), m.capturedLength(1) != m.capturedLength(2)};
    const qsizetype n = halfWidth(between.size());
    // An even count of characters between the brackets cannot split in two equal halves.
    return {between.left(n), between.right(n), between.size() % 2 == 0};
}

void watcherTick(Panel& p) {
    // The same text is tried again at the next tick.
    trap([&] { tick(p); }, [&] { p.copied.forgetTakenUp(); });
}

void wireWatcher(Panel& p) {
    p.onTick(Tmr::timCrip, [&p] { watcherTick(p); });
    p.svc.clipboard.setChangeHandler([&p] {
        // Before start-up has started the watcher, the first tick will see it.
        if (p.timer(Tmr::timCrip).isActive()) p.runTick(Tmr::timCrip);
    });
}

} // namespace kurumin
