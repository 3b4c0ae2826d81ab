#pragma once

#include <QString>

namespace kurumin {

class Panel;

void pick(Panel& p);
// UP and DWN; the count buttons add the focus and caret moves and word their
// failure box differently.
void stepUp(Panel& p, const QString& failureText, bool countButton);
void stepDown(Panel& p, const QString& failureText, bool countButton);
void setToMin(Panel& p);
// The caret of txtNow one place right (+1) or left (-1), kept inside the text.
void moveCaret(Panel& p, int by);

void wireBrowse(Panel& p);

} // namespace kurumin
