#include "browse/navigation.h"

#include "app/panel.h"
#include "browse/messages.h"

namespace kurumin {

namespace {

const QString kHttp = QStringLiteral("http://");

QString copiedText(Panel& p) {
    return p.c["lblCripDirect"].toolTip;
}

void lamp(Panel& p, Color color) {
    p.c["Sh1"].back = color;
}

// Left(text, count) that fails, as a cut of a negative length must.
QString leftOf(const QString& text, qsizetype count) {
    if (count < 0) throw CommandFailed("negative cut");
    return text.left(count);
}

} // namespace

QString tailOf(Panel& p, const QString& text) {
    const qsizetype count =
        text.size() - p.text(QStringLiteral("txtKeyWord")).size() - p.s.KeywordPos + 1;
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

void Panel::openPage(const QString& url, bool reportFailure, std::function<void(bool)> then) {
    const std::uint64_t id = ++opensIssued_;
    svc.browser.openPage(
        url, [this, id, reportFailure, then = std::move(then)](const OpenResult& result) {
            runHandler([this, id, reportFailure, then, ok = result.ok()] {
                if (!ok && reportFailure && id > failuresReportedUpTo_) {
                    message(msg::accessText(), msg::accessTitle());
                    // One box answers for everything that was asked before it closed.
                    failuresReportedUpTo_ = opensIssued_;
                }
                if (then) then(ok);
            });
        });
}

void OpenCopiedUrl(Panel& p) {
    BrowseState& s = p.s;
    s.lblURL = copiedText(p);
    lamp(p, colors::Yellow);
    const QString tail = tailOf(p, s.lblURL);
    if (tail == s.lblURLright) {
        lamp(p, colors::Black);
        return;
    }
    s.lblURLright = tail;
    p.text(QStringLiteral("txtNow")) = kHttp + s.lblURLright;
    if (!isOn(s.AutoBrowse)) {
        lamp(p, colors::Black);
        return;
    }
    p.openPage(kHttp + s.lblURLright, false, [&p](bool ok) {
        if (ok && isOn(p.s.PickMode)) {
            p.enable(QStringLiteral("Label1"), false);
            p.enable(QStringLiteral("UPbutton"), false);
            p.enable(QStringLiteral("DWNbutton"), false);
            p.closeStepWindows();
            p.s.PickMode = False;
        }
        lamp(p, colors::Black);
    });
}

void OpenRangeUrl(Panel& p) {
    BrowseState& s = p.s;
    p.enable(QStringLiteral("Label1"));
    p.enable(QStringLiteral("UPbutton"));
    p.enable(QStringLiteral("DWNbutton"));
    const QString copied = copiedText(p);
    s.lblURLright = tailOf(p, copied);
    QString& now = p.text(QStringLiteral("txtNow"));
    now = kHttp + s.lblURLright;
    const BracketPair pair = findBrackets(copied);
    s.OpenBracketPos = pair.open;
    s.CloseBracketPos = pair.close;
    if (!pair.found()) return;
    s.lblB = copied.right(copied.size() - pair.close);
    s.lblF = tailOf(p, copied.left(pair.open - 1));
    now = s.lblF + p.text(QStringLiteral("txtNo")) + s.lblB;
    p.openPage(kHttp + now, true, [&p](bool) { lamp(p, colors::Black); });
}

void OpenPickedUrl(Panel& p) {
    BrowseState& s = p.s;
    p.enable(QStringLiteral("Label1"), false);
    p.enable(QStringLiteral("UPbutton"));
    p.enable(QStringLiteral("DWNbutton"));
    s.lblB = s.lblSTR;
    s.lblF = tailOf(p, copiedText(p));
    s.lblF = leftOf(s.lblF, s.lblF.size() - s.PickDigits - s.lblB.size());
    const QString page = s.lblF + p.text(QStringLiteral("txtNo")) + s.lblB;
    p.text(QStringLiteral("txtNow")) = page;
    p.openPage(kHttp + page, true, [&p, page](bool ok) {
        if (ok) p.text(QStringLiteral("txtNow")) = kHttp + page;
        lamp(p, colors::Black);
    });
}

} // namespace kurumin
