#pragma once
// How the panel window behaves, on the model: dragging it, tucking it away
// to the screen's left edge and back, folding its lower part, the hover
// colours of its command labels and the about window.

#include "panel/controls.h"

namespace kurumin {

class Panel;

void toggleFold(Panel& p);
// A press on the background: the floating windows close, a right press tucks.
void pressBackground(Panel& p, MouseButton button);
void bringBack(Panel& p);
void blinkLamp(Panel& p);
// A move over a control of the hover table (Form1 for the background).
void hover(Panel& p, Ctl over, const HeldButtons& held);
void showAbout(Panel& p);
void openHelp(Panel& p);

void wireWindowBehaviour(Panel& p);

inline constexpr int StripFoldedHeight = 630;
inline constexpr int StripUnfoldedHeight = 2895;
inline constexpr int StripWidth = 240; // what stays on screen while tucked away

} // namespace kurumin
