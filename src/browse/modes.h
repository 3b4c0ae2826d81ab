#pragma once
// The modes the panel moves between and what each lets the user press. Every
// change to the stepping controls' enabled state, to PickMode and to
// UrlCaptured is made here, so "when is UP enabled" has its answer in one file.
//
//   start-up     nothing to step: [SET], "/", the count controls and UP/DWN
//                off, the step windows closed, pick mode off.
//   waiting      the clipboard holds no text: the address box, the caret
//                arrows, PICK, ADD-browse and re-browse off.
//   no address   text without the keyword: PICK, [SET], re-browse, txtNo and
//                UP/DWN off, the step windows closed, pick mode off. The spin
//                buttons keep their state.
//   address      text with the keyword: PICK, re-browse and txtNo on; UP/DWN
//                too while pick mode lasts. Then either
//     range URL  the address holds [min-max]: [SET] and "/" on, or
//     plain URL  it does not: "/" off, and outside pick mode everything
//                stepping off as at start-up.
//   pick mode    PICK took a number: txtNo and the spin buttons on, UP/DWN
//                once an address is captured. A page opened from the copied
//                address ends it.
//   range mode   [SET] pressed: pick mode off, the count controls and UP/DWN on.
// A page stepped to from a range turns [SET] and UP/DWN on; one stepped to
// from a pick turns UP/DWN on and [SET] off. The limiter's bound boxes follow
// LIMIT alone (showLimiterState).

namespace kurumin {

class Panel;

void enterStartUp(Panel& p);
void enterWaiting(Panel& p);
// The clipboard holds text again, whatever text it is.
void leaveWaiting(Panel& p);
void enterNoAddress(Panel& p);
void enterAddress(Panel& p);
void enterRangeUrl(Panel& p);
void enterPlainUrl(Panel& p);
void enterPickMode(Panel& p);
// After a page opened from the copied address: the picked number no longer applies.
void endPickMode(Panel& p);
void enterRangeMode(Panel& p);
void stepFromRange(Panel& p);
void stepFromPick(Panel& p);

} // namespace kurumin
