#pragma once

#include <stdexcept>

namespace kurumin {

// Raised inside a handler; its trap decides between silence and a message.
struct CommandFailed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

} // namespace kurumin
