#pragma once
// AUTO, the count buttons, the spin buttons, the held caret arrows and the
// floating step windows.

namespace kurumin {

class Panel;

void wireCountControls(Panel& p);

} // namespace kurumin
