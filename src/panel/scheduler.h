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

    void run(const Origin& origin, Task task);
    // stillDue is asked when a held-back tick finally runs.
    void tick(Tmr timer, Task task, std::function<bool()> stillDue);
    bool inHandler() const { return depth_ > 0; }
    // Nothing runs any more.
    void stop();
    bool stopped() const { return stopped_; }

    // The control a button is held on. Disabled meanwhile, it never sees the
    // release, so the release is given to it once the handler that disabled it ends.
    void pressed(Ctl control, MouseButton button) { held_.emplace(control, button); }
    void released(Ctl control);
    // The press, taken back, when its control can no longer see the release.
    std::optional<std::pair<Ctl, MouseButton>> takeHeldIf(const std::function<bool(Ctl)>& gone);

    // The views follow the model through listeners; each removes its own when it goes.
    int addListener(Task listener);
    void removeListener(int id) { listeners_.erase(id); }
    void notify();

  private:
    void drain();
    void bug(const Origin& origin, const char* what);

    OnBug onBug_ = defaultOnBug();
    int bugs_ = 0;
    Task afterEach_;
    int depth_ = 0;
    bool stopped_ = false;
    std::deque<std::pair<Origin, Task>> deferred_;
    std::map<Tmr, bool> heldTicks_;
    std::optional<std::pair<Ctl, MouseButton>> held_;
    std::map<int, Task> listeners_;
    int lastListener_ = 0;
};

} // namespace kurumin
