#include "browse/navigation.h"

#include "browse/modes.h"
#include "panel/panel.h"
#include "panel/user_texts.h"

namespace kurumin {

namespace {

const QString kHttp = QStringLiteral("http://");

// Left(text, count) that fails, as a cut of a negative length must.
QString leftOf(const QString& text, qsizetype count) {
    if (count < 0) throw CommandFailed("negative cut");
    return text.left(count);
}

} // namespace

void setLamp(Panel& p, Lamp lamp) {
    p.c[Ctl::Sh1].back = lamp == Lamp::Requesting ? colors::Yellow : colors::Black;
}

QString tailOf(Panel& p, const QString& text) {
    const qsizetype count = text.size() - p.text(Ctl::txtKeyWord).size() - p.s.KeywordPos + 1;
    if (count < 0) throw CommandFailed("negative tail");
    return text.right(count);
}

BracketPair findBrackets(const QString& text) {
    const qsizetype open = text.indexOf(u'[');
    if (open < 0) return {};
    const qsizetype close = text.indexOf(u']', open + 1);
    if (close < 0) return {};
    return {static_cast<int>(open + 1), static_cast<int>(close + 1)};
}

void OpenCopiedUrl(Panel& p) {
    BrowseState& s = p.s;
    s.lblURL = p.copied.text();
    setLamp(p, Lamp::Requesting);
    const QString tail = tailOf(p, s.lblURL);
    if (tail == s.lblURLright) {
        setLamp(p, Lamp::Off);
        return;
    }
    s.lblURLright = tail;
    p.setText(Ctl::txtNow, kHttp + s.lblURLright);
    if (!isOn(s.AutoBrowse)) {
        setLamp(p, Lamp::Off);
        return;
    }
    p.openPage(kHttp + s.lblURLright, ReportFailure::No, [&p](bool) { setLamp(p, Lamp::Off); });
    // Settled now, not at the answer: a step pressed before it works on this address.
    endPickMode(p);
}

void OpenRangeUrl(Panel& p) {
    BrowseState& s = p.s;
    stepFromRange(p);
    const QString copied = p.copied.text();
    s.lblURLright = tailOf(p, copied);
    p.setText(Ctl::txtNow, kHttp + s.lblURLright);
    const BracketPair pair = findBrackets(copied);
    s.OpenBracketPos = pair.open;
    s.CloseBracketPos = pair.close;
    if (!pair.found()) return;
    s.lblB = copied.right(copied.size() - pair.close);
    s.lblF = tailOf(p, copied.left(pair.open - 1));
    p.setText(Ctl::txtNow, s.lblF + p.text(Ctl::txtNo) + s.lblB);
    p.openPage(kHttp + p.text(Ctl::txtNow), ReportFailure::Yes,
               [&p](bool) { setLamp(p, Lamp::Off); });
}

void OpenPickedUrl(Panel& p) {
    BrowseState& s = p.s;
    stepFromPick(p);
    s.lblB = s.lblSTR;
    s.lblF = tailOf(p, p.copied.text());
    s.lblF = leftOf(s.lblF, s.lblF.size() - s.PickDigits - s.lblB.size());
    const QString page = kHttp + s.lblF + p.text(Ctl::txtNo) + s.lblB;
    // The box shows the address asked for at once; the answer only reports.
    p.setText(Ctl::txtNow, page);
    p.openPage(page, ReportFailure::Yes, [&p](bool) { setLamp(p, Lamp::Off); });
}

} // namespace kurumin
