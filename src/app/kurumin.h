#pragma once
// The composition root: one panel with every feature wired to it.

#include "panel/panel.h"

namespace kurumin {

class Kurumin {
  public:
    Kurumin(Services& services, PanelWindowMakers ownWindows);
    Kurumin(const Kurumin&) = delete;
    Kurumin& operator=(const Kurumin&) = delete;

    // Start-up: the load step of Form1 (initial state, keep list, watcher).
    void load();

    Panel panel;
};

} // namespace kurumin
