#include "browse/press_hold.h"

#include <algorithm>
#include <utility>

namespace kurumin {

void PressHold::pressed(bool up) {
    pressedAt_[up] = clock_.tickCount();
}

void PressHold::clicked(bool up) {
    const std::optional<std::uint32_t> at = std::exchange(pressedAt_[up], std::nullopt);
    if (!at || (waiting_.empty() && over(*at))) return step_(up);
    waiting_.push_back({up, *at});
    if (waiting_.size() == 1) waitForFirst();
}

void PressHold::tick() {
    while (!waiting_.empty() && over(waiting_.front().pressedAt)) {
        const bool up = waiting_.front().up;
        waiting_.pop_front();
        step_(up);
    }
    if (waiting_.empty())
        timer_.stop();
    else
        waitForFirst();
}

// The timer is set to what is left of the wait of the first step in line.
void PressHold::waitForFirst() {
    const std::uint32_t waited = clock_.tickCount() - waiting_.front().pressedAt;
    timer_.setInterval(static_cast<int>(WaitMs - std::min(waited, WaitMs)) + 1);
    timer_.start();
}

} // namespace kurumin
