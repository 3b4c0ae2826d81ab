#include "app/panel.h"

namespace kurumin {

void wirePanel(Panel&) {}

} // namespace kurumin
