#pragma once
// The browse state: the copied URL split into front, number and back, the
// padding width, the limiter bounds and the modes. The shown fields are the
// panel's controls (txtNow, txtNo, txtLimL, ...), the copied text and the
// captured page are kept in shown_facts.h; the rest live here.

#include <QString>

#include <cstdint>

namespace kurumin {

// Flags are 16-bit: true is all bits set, a toggle is the complement.
using Flag = std::int16_t;
inline constexpr Flag True = -1;
inline constexpr Flag False = 0;
inline constexpr Flag complement(Flag f) {
    return static_cast<Flag>(~f);
}
inline constexpr bool isOn(Flag f) {
    return f != 0;
}
inline constexpr Flag flagOf(bool b) {
    return b ? True : False;
}

struct BrowseState {
    Flag AutoBrowse = True;
    Flag LimitOn = True;
    Flag PickMode = False;
    Flag UrlCaptured = False;
    std::int16_t PickDigits = 0;
    std::int16_t DigitCount = 0;
    std::int32_t KeywordPos = 0;

    QString lblURL;      // working copy while a plain copied URL is opened
    QString lblURLright; // tail of the address last opened whole, or of the range URL
    QString lblF;        // front part
    QString lblB;        // back part
    QString lblSTR;      // what followed the picked number at PICK
    QString lblNoo;      // the new number of a step, before padding
    QString lblNO;       // the text between the brackets of a range URL

    // Written where the panel's state changes, read by nothing: the padding
    // comes from DigitCount, the brackets are found again where needed and the
    // front window is compared by handle. Only the watcher's fuzzer reads lbl1.
    QString PadMask;                 // DigitCount zeros
    QString lbl1, lbl2;              // bracket positions as text in range mode
    std::int32_t OpenBracketPos = 0; // 1-based, 0 when absent
    std::int32_t CloseBracketPos = 0;
    QString lAWH; // the front window's handle, "&H" and hex
};

} // namespace kurumin
