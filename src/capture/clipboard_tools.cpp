#include "capture/clipboard_tools.h"

#include "browse/modes.h"
#include "browse/navigation.h"
#include "panel/panel.h"

namespace kurumin {

namespace {

// Another program may hold the clipboard open; the text it was meant to get
// stays in the panel and the command goes on.
void putOnClipboard(Panel& p, const QString& text) {
    trap([&] {
        p.svc.clipboard.clear();
        p.svc.clipboard.setText(text);
    });
}

} // namespace

void appendTextBrowse(Panel& p) {
    const QString& add = p.text(Ctl::Text2);
    const QString& now = p.text(Ctl::txtNow);
    if (now.left(add.size()) == add) return;
    setLamp(p, Lamp::Requesting);
    p.setText(Ctl::txtNow, add + p.copied.text());
    putOnClipboard(p, now);
    p.setCaret(Ctl::txtNow, static_cast<int>(now.size()));
    if (!isOn(p.s.AutoBrowse)) {
        setLamp(p, Lamp::Off);
        return;
    }
    p.openPage(now, ReportFailure::No, [&p](bool) { setLamp(p, Lamp::Off); });
    endPickMode(p);
}

void reBrowse(Panel& p) {
    p.openPage(p.text(Ctl::txtNow), ReportFailure::No, [&p](bool ok) {
        if (ok) return;
        p.setFocus(Ctl::txtNow);
        setLamp(p, Lamp::Off);
    });
    p.setFocus(Ctl::txtNow);
}

void memoFromClipboard(Panel& p) {
    trap([&] {
        if (p.svc.clipboard.hasText()) p.setText(Ctl::txtMemo, p.svc.clipboard.text());
        p.setFocus(Ctl::txtMemo);
    });
}

void memoToClipboard(Panel& p) {
    putOnClipboard(p, p.text(Ctl::txtMemo));
    p.setFocus(Ctl::txtMemo);
}

void appendTextToMemo(Panel& p) {
    p.setText(Ctl::txtMemo, p.text(Ctl::Text2) + p.text(Ctl::txtMemo));
    p.setFocus(Ctl::txtMemo);
}

void clearAll(Panel& p) {
    p.s.lblURLright.clear();
    p.copied.forgetTakenUp();
    p.setText(Ctl::txtNow, {});
    trap([&] { p.svc.clipboard.clear(); });
}

void wireClipboardTools(Panel& p) {
    p.onClick(Ctl::Command5, [&p] { appendTextBrowse(p); });
    p.onClick(Ctl::Command10, [&p] { reBrowse(p); });
    p.onClick(Ctl::Command7, [&p] { memoFromClipboard(p); });
    p.onClick(Ctl::Command8, [&p] { memoToClipboard(p); });
    p.onClick(Ctl::Command9, [&p] { appendTextToMemo(p); });
    p.onClick(Ctl::lblAccess, [&p] { clearAll(p); });
}

} // namespace kurumin
