#pragma once
// UP and DWN answer a click no sooner than 200 ms after its press, so that a
// hasty double click cannot open two pages at once. The wait runs on a timer,
// never in the thread; clicks made meanwhile step in order once theirs is over.

#include "panel/controls.h"
#include "platform/desktop.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

namespace kurumin {

class PressHold {
  public:
    static constexpr std::uint32_t WaitMs = 200;
    using Step = std::function<void(Direction d)>;

    PressHold(ClockPort& clock, TimerPort& timer, Step step)
        : clock_(clock), timer_(timer), step_(std::move(step)) {}

    void pressed(Direction d);
    // A click from the keyboard or a screen reader has no press to wait out.
    void clicked(Direction d);
    void tick();
    bool waiting() const { return !waiting_.empty(); }

  private:
    struct Waiting {
        Direction direction;
        std::uint32_t pressedAt;
    };
    void waitForFirst();
    bool over(std::uint32_t pressedAt) { return clock_.tickCount() - pressedAt > WaitMs; }

    ClockPort& clock_;
    TimerPort& timer_;
    Step step_;
    std::optional<std::uint32_t>& pressedAt(Direction d) { return pressedAt_[d == Direction::Up]; }
    std::array<std::optional<std::uint32_t>, 2> pressedAt_;
    std::deque<Waiting> waiting_;
};

} // namespace kurumin
