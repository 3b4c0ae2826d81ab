#include "panel/panel.h"

#include "panel/user_texts.h"

#include <algorithm>

namespace kurumin {

StepWindowModel::StepWindowModel(Panel& panel, Direction d)
    : direction(d), labels(designStepWindow(d)), panel_(panel),
      window_(panel.ownWindows.stepWindows.createStepWindow(d, *this)) {}

StepWindowModel::~StepWindowModel() = default;

void StepWindowModel::show() {
    std::vector<StepLabelLook> looks;
    looks.reserve(labels.size());
    for (const Control& l : labels)
        looks.push_back({l.caption, l.fore, l.back.value_or(colors::PanelBack), l.geo, l.align});
    if (looks == shown_) return;
    shown_ = looks;
    window_->showLabels(shown_);
}

void StepWindowModel::stepClick(int index) {
    panel_.stepClick(direction, index);
}

void StepWindowModel::stepMouseMove(int index) {
    panel_.stepMouseMove(direction, index);
}

StepWindowModel& StepWindowPair::open(Direction d, int left, int top) {
    close(d);
    std::unique_ptr<StepWindowModel>& w = slot(d);
    w = std::make_unique<StepWindowModel>(panel_, d);
    w->show();
    StepWindowPort& win = w->window();
    win.setTopmost();
    win.setGeometry({left, top, StepWindowWidth, StepWindowHeight});
    win.show();
    return *w;
}

void StepWindowPair::close(Direction d) {
    std::unique_ptr<StepWindowModel> gone = std::move(slot(d));
    if (gone) gone->window().close();
}

void StepWindowPair::closeAll() {
    close(Direction::Up);
    close(Direction::Down);
}

void StepWindowPair::show() {
    for (const Direction d : {Direction::Up, Direction::Down})
        if (StepWindowModel* w = get(d)) w->show();
}

Panel::Panel(Services& services, PanelWindowMakers windows) : svc(services), ownWindows(windows) {
    for (std::size_t i = 0; i < TimerCount; ++i) {
        const Tmr id = static_cast<Tmr>(i);
        timers_[i] =
            svc.timers.create(timerName(id), timerInterval(id), [this, id] { runTick(id); });
    }
    scheduler_.setAfterEach([this] { endPressOfDisabled(); });
    scheduler_.setWhenEnded([this] { notify(); });
    // The page-capture timers run from the moment the panel exists.
    timer(Tmr::timGETURL).start();
    timer(Tmr::Timer3).start();
}

Panel::~Panel() {
    // No tick or clipboard change may reach a panel being torn down.
    svc.clipboard.setChangeHandler(nullptr);
    for (auto& t : timers_)
        t.reset();
    steps.closeAll();
}

template <typename H> void Panel::registerOnce(H& slot, H h, Ctl id, const char* event) {
    if (slot)
        throw std::logic_error("a second " + std::string(event) + " handler for " +
                               controlName(id).toStdString());
    slot = std::move(h);
}

void Panel::onClick(Ctl id, Handler h) {
    if (!c[id].clickable)
        throw std::logic_error(controlName(id).toStdString() + " takes no clicks");
    registerOnce(clicks_[at(id)], std::move(h), id, "Click");
}

void Panel::onMouseDown(Ctl id, ButtonHandler h) {
    registerOnce(downs_[at(id)], std::move(h), id, "MouseDown");
}

void Panel::onMouseUp(Ctl id, ButtonHandler h) {
    registerOnce(ups_[at(id)], std::move(h), id, "MouseUp");
}

void Panel::onMouseMove(Ctl id, MoveHandler h) {
    registerOnce(moves_[at(id)], std::move(h), id, "MouseMove");
}

void Panel::onTick(Tmr timer, Handler h) {
    Handler& slot = ticks_[static_cast<std::size_t>(timer)];
    if (slot) throw std::logic_error("a second tick handler for " + timerName(timer).toStdString());
    slot = std::move(h);
}

void Panel::onStepClick(StepHandler h) {
    stepClick_ = std::move(h);
}

void Panel::onStepMouseMove(StepHandler h) {
    stepMove_ = std::move(h);
}

void Panel::runTick(Tmr id) {
    const Handler& h = ticks_[static_cast<std::size_t>(id)];
    if (!h || closed_) return;
    scheduler_.tick(id, h, [this, id] { return timer(id).isActive(); });
}

void Panel::click(Ctl id) {
    if (!c[id].enabled || !clicks_[at(id)]) return;
    scheduler_.run({"Click", id, {}}, clicks_[at(id)]);
}

void Panel::mouseDown(Ctl id, MouseButton button) {
    press_ = Press{id};
    if (!c[id].enabled) return;
    held_.pressed(id, button);
    if (const ButtonHandler& h = downs_[at(id)])
        scheduler_.run({"MouseDown", id, {}}, [h, button] { h(button); });
}

void Panel::mouseUp(Ctl id, MouseButton button) {
    press_.reset();
    held_.released(id);
    const ButtonHandler& h = ups_[at(id)];
    if (!h || !c[id].enabled) return;
    scheduler_.run({"MouseUp", id, {}}, [h, button] { h(button); });
}

void Panel::doubleClick(Ctl id, MouseButton button) {
    if (c[id].kind != ControlKind::Button) {
        press_ = Press{id}; // a press all the same: it may start a drag of its own
        return;
    }
    mouseDown(id, button);
    if (button == MouseButton::Left) click(id);
}

void Panel::endPressOfDisabled() {
    const auto held = held_.takeIf([this](Ctl id) { return !c[id].enabled; });
    if (!held) return;
    if (const ButtonHandler& h = ups_[at(held->first)]) h(held->second);
}

void Panel::mouseMove(Ctl id, HeldButtons held) {
    const MoveHandler& h = moves_[at(id)];
    if (!h || !c[id].enabled) return;
    scheduler_.run({"MouseMove", id, {}}, [h, held] { h(held); });
}

void Panel::setText(Ctl id, const QString& text) {
    Control& ctl = c[id];
    ctl.caption = text;
    ctl.selStart = std::min<int>(ctl.selStart, static_cast<int>(text.size()));
    ctl.selLength = 0;
}

bool Panel::editText(Ctl id, const QString& text) {
    if (!c[id].enabled) return false;
    setText(id, text);
    // A name typed over the list's is none of its entries.
    if (c[id].kind == ControlKind::ComboBox) c[id].listIndex = -1;
    return true;
}

bool Panel::editSelection(Ctl id, int start, int length) {
    Control& ctl = c[id];
    if (!ctl.enabled) return false;
    const int size = static_cast<int>(ctl.caption.size());
    ctl.selStart = std::clamp(start, 0, size);
    ctl.selLength = std::clamp(length, 0, size - ctl.selStart);
    return true;
}

bool Panel::selectItem(Ctl id, int index) {
    Control& ctl = c[id];
    if (!ctl.enabled) return false;
    ctl.listIndex = index;
    if (index >= 0 && index < ctl.items.size()) ctl.caption = ctl.items[index];
    return true;
}

void Panel::stepClick(Direction d, int index) {
    if (!stepClick_ || !steps.get(d)) return;
    scheduler_.run({"StepWindow.Click", {}, {}}, [this, d, index] { stepClick_(d, index); });
}

void Panel::stepMouseMove(Direction d, int index) {
    if (!stepMove_ || !steps.get(d)) return;
    scheduler_.run({"StepWindow.MouseMove", {}, {}}, [this, d, index] { stepMove_(d, index); });
}

MsgResult Panel::message(const QString& text, const QString& title, MsgButtons buttons,
                         MsgIcon icon) {
    notify(); // the user sees what the handler has written so far behind the box
    const std::optional<Ctl> before = focus_;
    const MsgResult result = svc.messageBox.show(text, title, buttons, icon);
    // The box had the keyboard. Left to the window's activation, the focus
    // would go to the first stop of the tab chain, and the Enter that closed
    // the box, or the next, would press it.
    setFocus(before.value_or(Ctl::txtNow));
    return result;
}

void Panel::setCaret(Ctl id, int pos) {
    Control& ctl = c[id];
    ctl.selStart = std::clamp(pos, 0, static_cast<int>(ctl.caption.size()));
    ctl.selLength = 0;
}

void Panel::openPage(const QString& url, ReportFailure report, std::function<void(bool)> then) {
    const std::uint64_t id = ++opensIssued_;
    svc.browser.openPage(url, [this, id, report, then = std::move(then)](const OpenResult& result) {
        run("OpenPage.Answer", [this, id, report, then, ok = result.ok()] {
            if (!ok && report == ReportFailure::Yes && id > failuresReportedUpTo_) {
                message(msg::accessText(), msg::accessTitle());
                // One box answers for everything that was asked before it closed.
                failuresReportedUpTo_ = opensIssued_;
            }
            if (then) then(ok);
        });
    });
}

void Panel::notify() {
    steps.show();
    emit changes_.changed();
}

void Panel::close() {
    if (closed_) return;
    if (form2) form2->close();
    steps.closeAll();
    closed_ = true;
    scheduler_.stop();
    for (auto& t : timers_)
        t->stop();
    if (window_) window_->close();
    if (quit_) quit_();
}

} // namespace kurumin
