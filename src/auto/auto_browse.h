#pragma once
// AUTO, the count buttons, the spin buttons, the held caret arrows and the
// floating step windows.

#include <cstdint>

namespace kurumin {

class Panel;

class AutoBrowse {
  public:
    explicit AutoBrowse(Panel& p);
    AutoBrowse(const AutoBrowse&) = delete;
    AutoBrowse& operator=(const AutoBrowse&) = delete;

  private:
    Panel& p_;
    std::uint32_t arrowPressedAt_ = 0; // of the caret arrow held last
};

} // namespace kurumin
