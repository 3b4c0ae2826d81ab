#pragma once

namespace kurumin {

class Panel;

// AUTO, the count buttons, the spin buttons, the held caret arrows and the
// floating step windows.
void wireAuto(Panel& p);

} // namespace kurumin
