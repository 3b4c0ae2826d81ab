#include "browse/press_hold.h"

#include <algorithm>
#include <utility>

namespace kurumin {

void PressHold::pressed(Direction d) {
    pressedAt(d) = clock_.tickCount();
}

void PressHold::clicked(Direction d) {
    const std::optional<std::uint32_t> at = std::exchange(pressedAt(d), std::nullopt);
    if (!at || (waiting_.empty() && over(*at))) return step_(d);
    waiting_.push_back({d, *at});
    if (waiting_.size() == 1) waitForFirst();
}

void PressHold::tick() {
    while (!waiting_.empty() && over(waiting_.front().pressedAt)) {
        const Direction d = waiting_.front().direction;
        waiting_.pop_front();
        step_(d);
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
