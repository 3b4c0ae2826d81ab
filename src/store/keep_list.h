#pragma once

#include <QString>

namespace kurumin {

class Panel;

// URL.ini beside the program.
QString keepListPath(Panel& panel);

// Fills List1 (names), List2 (URLs) and lblCNT from URL.ini. A count that is
// no number ends the load where it stands.
void loadKeepList(Panel& panel);

inline constexpr int KeepListFull = 50;

} // namespace kurumin
