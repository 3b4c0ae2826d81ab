#pragma once
// Composing the stepped address from the browse state and opening it. The
// browser answers later; what follows the open runs when the answer comes.

#include <QString>

namespace kurumin {

class Panel;

// The copied text after the keyword, by KeywordPos ("tail" of the text).
QString tailOf(Panel& p, const QString& text);

// The first "[" and the first "]" after it, 1-based; 0, 0 when there is no pair.
struct BracketPair {
    int open = 0;
    int close = 0;
    bool found() const { return open > 0 && close > 0; }
};
BracketPair findBrackets(const QString& text);

// The lamp Sh1: yellow while a browse request is being made, black otherwise.
enum class Lamp { Off, Requesting };
void setLamp(Panel& p, Lamp lamp);

void OpenCopiedUrl(Panel& p);
void OpenRangeUrl(Panel& p);
void OpenPickedUrl(Panel& p);

} // namespace kurumin
