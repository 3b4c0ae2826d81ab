#pragma once
// PICK, UP, DWN, [SET], LIMIT and the caret arrows' click.

#include "panel/controls.h"

namespace kurumin {

class Panel;

void pick(Panel& p);
// The labels UP and DWN, or the count buttons, which add the focus and caret
// moves and word their failure box differently.
enum class StepControl { Label, CountButton };
void stepAndBrowse(Panel& p, Direction d, StepControl from);
void setToMin(Panel& p);
// The caret of txtNow one place right (+1) or left (-1), kept inside the text.
void moveCaret(Panel& p, int by);

void wireBrowseCommands(Panel& p);

} // namespace kurumin
