#pragma once
// PICK, UP, DWN, [SET], LIMIT and the caret arrows' click.

#include "browse/press_hold.h"

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

class BrowseCommands {
  public:
    explicit BrowseCommands(Panel& p);
    BrowseCommands(const BrowseCommands&) = delete;
    BrowseCommands& operator=(const BrowseCommands&) = delete;

  private:
    Panel& p_;
    PressHold hold_;
};

} // namespace kurumin
