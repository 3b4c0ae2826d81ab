#pragma once

#include "platform/desktop.h"

namespace kurumin {

// The single-instance check made before any window exists. True when another
// instance runs: the user has been told, and this process must end.
bool refuseSecondInstance(SingleInstancePort& instance, MessageBoxPort& messageBox);

} // namespace kurumin
