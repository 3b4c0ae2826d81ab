#pragma once
// How the panel's handlers run on the one UI thread. Each runs to its end;
// one that falls due while another runs (a timer tick or a browser answer
// inside a modal box's loop) waits until that one has ended. A timer whose
// ticks keep falling due meanwhile is held back once, not piled up.

#include "panel/controls.h"

#include <QString>

#include <deque>
#include <functional>
#include <map>
#include <optional>

namespace kurumin {

// Where a handler came from, for the report of a bug inside it.
struct Origin {
    const char* event = "";
    std::optional<Ctl> control;
    std::optional<Tmr> timer;
    QString describe() const;
};

enum class OnBug { Abort, Report };

class Scheduler {
  public:
    using Task = std::function<void()>;

    // Debug builds abort on a bug so that a test sees it; release builds go on.
    static OnBug defaultOnBug();
    void setOnBug(OnBug policy) { onBug_ = policy; }
    int bugsReported() const { return bugs_; }

    // Runs after every handler, inside it: what the model does at the end of each.
    void setAfterEach(Task after) { afterEach_ = std::move(after); }
    // Runs once each handler has ended, outside it: where its result is shown.
    void setWhenEnded(Task ended) { whenEnded_ = std::move(ended); }

    void run(const Origin& origin, Task task);
    // stillDue is asked when a held-back tick finally runs.
    void tick(Tmr timer, Task task, std::function<bool()> stillDue);
    bool inHandler() const { return depth_ > 0; }
    // Nothing runs any more.
    void stop();
    bool stopped() const { return stopped_; }

  private:
    void drain();
    void bug(const Origin& origin, const char* what);

    OnBug onBug_ = defaultOnBug();
    int bugs_ = 0;
    Task afterEach_;
    Task whenEnded_;
    int depth_ = 0;
    bool stopped_ = false;
    std::deque<std::pair<Origin, Task>> deferred_;
    std::map<Tmr, bool> heldTicks_;
};

} // namespace kurumin
