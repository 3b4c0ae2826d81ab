#pragma once
// The one error trap of the handlers. It catches the failures the system
// expects (a command that cannot be done, a port that refused) and nothing
// else: a logic error is a bug and goes on to the scheduler, which aborts in
// Debug builds and under the tests, and reports it on standard error in a
// release build.

#include "platform/desktop.h"

#include <stdexcept>
#include <utility>

namespace kurumin {

// Raised inside a handler; its trap decides between silence and a message.
struct CommandFailed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Runs body; when it fails as the system can, runs onFailure (outside the
// catch, so it may show a box) and returns false.
template <typename Body, typename OnFailure> bool trap(Body&& body, OnFailure&& onFailure) {
    try {
        std::forward<Body>(body)();
        return true;
    } catch (const CommandFailed&) {
    } catch (const PlatformFailure&) {
    }
    std::forward<OnFailure>(onFailure)();
    return false;
}

template <typename Body> bool trap(Body&& body) {
    return trap(std::forward<Body>(body), [] {});
}

} // namespace kurumin
