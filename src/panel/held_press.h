#pragma once
// The control a mouse button is held down on. Disabled meanwhile, it never
// sees the release, so the panel gives it the release once the handler that
// disabled it has ended.

#include "panel/controls.h"

#include <optional>
#include <utility>

namespace kurumin {

class HeldPress {
  public:
    using Press = std::pair<Ctl, MouseButton>;
    void pressed(Ctl control, MouseButton button) { held_.emplace(control, button); }
    void released(Ctl control) {
        if (held_ && held_->first == control) held_.reset();
    }
    // The press, taken back, when its control can no longer see the release.
    template <typename Gone> std::optional<Press> takeIf(Gone gone) {
        if (!held_ || !gone(held_->first)) return std::nullopt;
        return std::exchange(held_, std::nullopt);
    }

  private:
    std::optional<Press> held_;
};

} // namespace kurumin
