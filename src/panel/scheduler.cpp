#include "panel/scheduler.h"

#include "panel/trap.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace kurumin {

QString Origin::describe() const {
    QString who = control ? controlName(*control) : timer ? timerName(*timer) : QString();
    if (!who.isEmpty()) who += u'.';
    return who + QString::fromLatin1(event);
}

OnBug Scheduler::defaultOnBug() {
#ifdef NDEBUG
    return OnBug::Report;
#else
    return OnBug::Abort;
#endif
}

void Scheduler::run(const Origin& origin, Task task) {
    if (stopped_ || !task) return;
    if (depth_ > 0) {
        deferred_.emplace_back(origin, std::move(task));
        return;
    }
    ++depth_;
    try {
        task();
        if (afterEach_) afterEach_();
    } catch (const CommandFailed&) {
        // A failure its handler chose not to trap ends the handler, never the tool.
    } catch (const PlatformFailure&) {
    } catch (const std::exception& e) {
        bug(origin, e.what());
    } catch (...) {
        bug(origin, "an exception of unknown type");
    }
    --depth_;
    if (whenEnded_) whenEnded_();
    drain();
}

void Scheduler::bug(const Origin& origin, const char* what) {
    std::fprintf(stderr, "kurumin: bug in handler %s: %s\n", qPrintable(origin.describe()), what);
    std::fflush(stderr);
    ++bugs_;
    if (onBug_ == OnBug::Abort) std::abort();
}

void Scheduler::drain() {
    while (depth_ == 0 && !stopped_ && !deferred_.empty()) {
        auto [origin, task] = std::move(deferred_.front());
        deferred_.pop_front();
        run(origin, std::move(task));
    }
}

void Scheduler::tick(Tmr timer, Task task, std::function<bool()> stillDue) {
    const Origin origin{"Timer", std::nullopt, timer};
    if (depth_ == 0) return run(origin, std::move(task));
    bool& held = heldTicks_[timer];
    if (held) return;
    held = true;
    deferred_.emplace_back(origin,
                           [this, timer, task = std::move(task), stillDue = std::move(stillDue)] {
                               heldTicks_[timer] = false;
                               if (!stillDue || stillDue()) task();
                           });
}

void Scheduler::stop() {
    stopped_ = true;
    deferred_.clear();
}

} // namespace kurumin
