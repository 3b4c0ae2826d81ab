#include "capture/clipboard_watcher.h"

#include "app/panel.h"
#include "browse/messages.h"
#include "browse/navigation.h"
#include "browse/numbers.h"

#include <QRegularExpression>

#include <cmath>

namespace kurumin {

namespace {

void enableAll(Panel& p, std::initializer_list<const char*> names, bool on) {
    for (const char* n : names)
        p.enable(QString::fromLatin1(n), on);
}

// (L - 1) / 2, halves to the even neighbour.
qsizetype halfWidth(qsizetype length) {
    const double half = static_cast<double>(length - 1) / 2.0;
    double whole = std::floor(half);
    if (half - whole > 0.5 || (half - whole == 0.5 && std::fmod(whole, 2.0) != 0)) whole += 1;
    return static_cast<qsizetype>(std::max(0.0, whole));
}

void takeUpRange(Panel& p, const QString& text, const BracketPair& pair) {
    BrowseState& s = p.s;
    p.enable(QStringLiteral("Label1"));
    p.enable(QStringLiteral("lbl"));
    s.lbl1 = QString::number(pair.open);
    s.lbl2 = QString::number(pair.close);
    s.lblNO = text.mid(pair.open, pair.close - pair.open - 1);
    const RangeBounds bounds = splitRange(s.lblNO);
    if (bounds.widthsDiffer) {
        p.svc.beep.beep();
        p.message(msg::rangeWidthText(), msg::rangeWidthTitle());
    }
    p.text(QStringLiteral("txtLimH")) = bounds.max;
    p.text(QStringLiteral("txtLimL")) = bounds.min;
    s.DigitCount = static_cast<std::int16_t>(bounds.min.size());
    s.PadMask = zeroMask(s.DigitCount);
    QString& no = p.text(QStringLiteral("txtNo"));
    no = padText(no, s.DigitCount);
}

void takeUpPlainUrl(Panel& p) {
    BrowseState& s = p.s;
    s.lbl1.clear();
    s.lbl2.clear();
    p.text(QStringLiteral("txtLimH")) = QStringLiteral("0");
    p.text(QStringLiteral("txtLimL")) = QStringLiteral("0");
    s.lblNO = QStringLiteral("0");
    p.enable(QStringLiteral("lbl"), false);
    if (!isOn(s.PickMode)) {
        enableAll(p, {"UPbutton", "DWNbutton"}, false);
        p.closeStepWindows();
        enableAll(p, {"Label1", "cmdUP", "Command1", "txtNo"}, false);
    }
    OpenCopiedUrl(p);
}

void tick(Panel& p) {
    BrowseState& s = p.s;
    ClipboardPort& clip = p.svc.clipboard;
    Control& indicator = p.c["lblCripDirect"];
    if (!clip.hasText()) {
        p.text(QStringLiteral("txtNow")) = QStringLiteral(" 　- 待機中 -");
        enableAll(p, {"txtNow", "Label2", "Label3", "Command5", "lblCUT", "Command10"}, false);
        indicator.toolTip.clear();
        indicator.fore = colors::Rest;
        return;
    }
    enableAll(p, {"txtNow", "Label2", "Label3"}, true);
    const QString text = clip.text();
    indicator.toolTip = text;
    indicator.fore = colors::Green;
    p.enable(QStringLiteral("Command5"));
    if (s.lblOldURL == text) return;

    s.lblOldURL = text;
    p.text(QStringLiteral("txtNow")) = text;
    s.KeywordPos =
        static_cast<std::int32_t>(text.indexOf(p.text(QStringLiteral("txtKeyWord"))) + 1);
    if (s.KeywordPos == 0) {
        enableAll(p, {"lblCUT", "Label1", "Command10"}, false);
        s.UrlCaptured = False;
        p.text(QStringLiteral("txtNo")) = QStringLiteral("0");
        enableAll(p, {"txtNo", "UPbutton", "DWNbutton"}, false);
        p.closeStepWindows();
        s.PickMode = False;
        return;
    }
    p.enable(QStringLiteral("lblCUT"));
    s.UrlCaptured = True;
    enableAll(p, {"Command10", "txtNo"}, true);
    if (isOn(s.PickMode)) enableAll(p, {"UPbutton", "DWNbutton"}, true);

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
    try {
        tick(p);
    } catch (const std::exception&) {
        p.s.lblOldURL.clear(); // the same text is tried again at the next tick
    }
}

void wireWatcher(Panel& p) {
    const QString name = QStringLiteral("timCrip");
    p.onTick(name, [&p] { watcherTick(p); });
    p.svc.clipboard.setChangeHandler([&p, name] {
        // Before start-up has started the watcher, the first tick will see it.
        if (p.timer(name).isActive()) p.runTick(name);
    });
}

} // namespace kurumin
