#include "app/panel.h"

#include <algorithm>

namespace kurumin {

namespace {
struct TimerDesign {
    const char* name;
    int interval;
};
// Every timer of the panel, all stopped until the load step or a press starts them.
constexpr TimerDesign kTimers[] = {
    {"timCrip", 500},
    {"timGETURL", 500},
    {"Timer3", 100},
    {"Cup", 50},
    {"Cdwn", 50},
    {"Timer1", 50},
    {"Timer2", 50},
    {"Timer4", 800},
    // Lets UP and DWN wait out their press without blocking; set to what is left of it.
    {"PressHold", 200},
};
} // namespace

Panel::Panel(Services& services) : svc(services), c(designPanel()) {
    for (const TimerDesign& t : kTimers) {
        const QString name = QString::fromLatin1(t.name);
        timers_[name] = svc.timers.create(name, t.interval, [this, name] { runTick(name); });
    }
    // The page-capture timers run from the moment the panel exists.
    timer(QStringLiteral("timGETURL")).start();
    timer(QStringLiteral("Timer3")).start();
    wirePanel(*this);
}

Panel::~Panel() {
    // No tick or clipboard change may reach a panel being torn down.
    svc.clipboard.setChangeHandler(nullptr);
    timers_.clear();
    // Their views still listen to the panel while they go.
    frmUP.reset();
    frmDWN.reset();
}

TimerPort& Panel::timer(const QString& name) {
    auto it = timers_.find(name);
    if (it == timers_.end()) throw std::out_of_range("no timer " + name.toStdString());
    return *it->second;
}

void Panel::runHandler(const Handler& h) {
    if (closed_ || !h) return;
    if (depth_ > 0) {
        deferred_.push_back(h);
        return;
    }
    ++depth_;
    try {
        h();
        releaseIfDisabled();
    } catch (const std::exception&) {
        // Each handler has its own trap; whatever escapes it ends the handler, never the tool.
    }
    --depth_;
    notify();
    drain();
}

void Panel::drain() {
    while (depth_ == 0 && !closed_ && !deferred_.empty()) {
        Handler next = std::move(deferred_.front());
        deferred_.pop_front();
        runHandler(next);
    }
}

void Panel::runTick(const QString& name) {
    auto it = ticks_.find(name);
    if (it == ticks_.end()) return;
    if (depth_ > 0) {
        // Hold one tick of this timer back until the running handler has ended.
        if (!heldTicks_[name]) {
            heldTicks_[name] = true;
            deferred_.push_back([this, name] {
                heldTicks_[name] = false;
                auto t = ticks_.find(name);
                if (t != ticks_.end() && timer(name).isActive()) t->second();
            });
        }
        return;
    }
    runHandler(it->second);
}

namespace {
template <typename Map, typename... Args>
std::function<void()> bound(const Map& map, const QString& name, const Control* control,
                            Args... args) {
    auto it = map.find(name);
    if (it == map.end() || !control || !control->enabled) return {};
    auto h = it->second;
    return [h, args...] { h(args...); };
}
} // namespace

void Panel::click(const QString& name) {
    runHandler(bound(clicks_, name, c.find(name)));
}

void Panel::mouseDown(const QString& name, MouseButton button) {
    const Control* control = c.find(name);
    if (control && control->enabled) held_.emplace(name, button);
    runHandler(bound(downs_, name, control, button));
}

void Panel::mouseUp(const QString& name, MouseButton button) {
    if (held_ && held_->first == name) held_.reset();
    runHandler(bound(ups_, name, c.find(name), button));
}

void Panel::releaseIfDisabled() {
    if (!held_) return;
    const Control* control = c.find(held_->first);
    if (control && control->enabled) return;
    const auto [name, button] = *held_;
    held_.reset();
    if (auto it = ups_.find(name); it != ups_.end()) it->second(button);
}

void Panel::mouseMove(const QString& name) {
    // Moves over the background come in as "Form1", which is no control.
    auto it = moves_.find(name);
    if (it == moves_.end()) return;
    const Control* control = c.find(name);
    if (control && !control->enabled) return;
    runHandler(it->second);
}

void Panel::editText(const QString& name, const QString& text) {
    if (Control* ctl = c.find(name)) {
        ctl->caption = text;
        ctl->selStart = std::min<int>(ctl->selStart, static_cast<int>(text.size()));
        ctl->selLength = 0;
    }
}

void Panel::editSelection(const QString& name, int start, int length) {
    if (Control* ctl = c.find(name)) {
        const int size = static_cast<int>(ctl->caption.size());
        ctl->selStart = std::clamp(start, 0, size);
        ctl->selLength = std::clamp(length, 0, size - ctl->selStart);
    }
}

void Panel::selectItem(const QString& name, int index) {
    if (Control* ctl = c.find(name)) {
        ctl->listIndex = index;
        if (index >= 0 && index < ctl->items.size()) ctl->caption = ctl->items[index];
    }
}

void Panel::focusChanged(const QString& name) {
    focus_ = name;
}

void Panel::stepClick(bool up, int index) {
    if (!stepClick_ || !(up ? frmUP : frmDWN)) return;
    runHandler([this, up, index] { stepClick_(up, index); });
}

void Panel::stepMouseMove(bool up, int index) {
    if (!stepMove_ || !(up ? frmUP : frmDWN)) return;
    runHandler([this, up, index] { stepMove_(up, index); });
}

MsgResult Panel::message(const QString& text, const QString& title, MsgButtons buttons,
                         MsgIcon icon) {
    notify(); // the user sees what the handler has written so far behind the box
    return svc.messageBox.show(text, title, buttons, icon);
}

void Panel::setFocus(const QString& name) {
    focus_ = name;
}

void Panel::setCaret(const QString& name, int pos) {
    Control& ctl = c[name];
    ctl.selStart = std::clamp(pos, 0, static_cast<int>(ctl.caption.size()));
    ctl.selLength = 0;
}

void Panel::closeStepWindow(std::unique_ptr<StepWindow>& w) {
    if (!w) return;
    std::unique_ptr<StepWindow> gone = std::move(w);
    if (gone->window) gone->window->close();
}

StepWindow& Panel::openStepWindow(bool up, int left, int top) {
    std::unique_ptr<StepWindow>& slot = up ? frmUP : frmDWN;
    closeStepWindow(slot);
    auto w = std::make_unique<StepWindow>();
    w->up = up;
    w->labels = designStepWindow(up);
    w->window = svc.stepWindows.createStepWindow(*this, *w);
    slot = std::move(w);
    WindowPort& win = *slot->window;
    win.setTopmost();
    win.setGeometry({left, top, StepWindowWidth, StepWindowHeight});
    win.show();
    return *slot;
}

void Panel::closeStepWindows() {
    closeStepWindow(frmUP);
    closeStepWindow(frmDWN);
}

void Panel::notify() {
    for (auto& [id, l] : listeners_)
        l();
}

void Panel::close() {
    if (closed_) return;
    if (form2) form2->close();
    closeStepWindows();
    closed_ = true;
    for (auto& [name, t] : timers_)
        t->stop();
    if (window_) window_->close();
    if (quit_) quit_();
}

} // namespace kurumin
