#pragma once
// The tools around txtNow, the memo and the append text: append-text browse,
// re-browse, INPUT, OUTPUT, ADD and CLS. What they put on the clipboard is
// new text for the watcher's next tick.

namespace kurumin {

class Panel;

void appendTextBrowse(Panel& p);
void reBrowse(Panel& p);
void memoFromClipboard(Panel& p);
void memoToClipboard(Panel& p);
void appendTextToMemo(Panel& p);
void clearAll(Panel& p);

void wireClipboardTools(Panel& p);

} // namespace kurumin
