#pragma once
// The panel Form1: its controls, the browse state, its timers, its floating
// step windows and the handlers that change them, all addressed by typed id.
// The features register their handlers here; the views pass input in.

#include "panel/browse_state.h"
#include "panel/controls.h"
#include "panel/held_press.h"
#include "panel/panel_changes.h"
#include "panel/panel_windows.h"
#include "panel/scheduler.h"
#include "panel/shown_facts.h"
#include "panel/trap.h"
#include "platform/services.h"

#include <QString>

#include <array>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>

namespace kurumin {

class Panel;

// Whether a failed open shows Error_08.
enum class ReportFailure { No, Yes };

// A floating step window: seven labels over the panel's browse state.
class StepWindowModel final : public StepLabelInput {
  public:
    StepWindowModel(Panel& panel, Direction d);
    ~StepWindowModel() override;
    const Direction direction;
    StepLabels labels;
    StepWindowPort& window() { return *window_; }
    // Shows the labels as they stand now.
    void show();
    void stepClick(int index) override;
    void stepMouseMove(int index) override;

  private:
    Panel& panel_;
    std::unique_ptr<StepWindowPort> window_;
    std::vector<StepLabelLook> shown_;
};

// frmUP and frmDWN: at most one of each, each built anew when opened.
class StepWindowPair {
  public:
    explicit StepWindowPair(Panel& panel) : panel_(panel) {}
    StepWindowModel* get(Direction d) const { return slot(d).get(); }
    // Builds the window anew at the given place (twips), topmost, and shows it.
    StepWindowModel& open(Direction d, int left, int top);
    void close(Direction d);
    void closeAll();
    void show();

  private:
    std::unique_ptr<StepWindowModel>& slot(Direction d) { return d == Direction::Up ? up_ : down_; }
    const std::unique_ptr<StepWindowModel>& slot(Direction d) const {
        return d == Direction::Up ? up_ : down_;
    }
    Panel& panel_;
    std::unique_ptr<StepWindowModel> up_, down_;
};

class Panel {
  public:
    Panel(Services& services, PanelWindowMakers windows);
    ~Panel();
    Panel(const Panel&) = delete;
    Panel& operator=(const Panel&) = delete;

    Services& svc;
    PanelWindowMakers ownWindows;
    ControlSet c;
    BrowseState s;
    CopiedText copied{c[Ctl::lblCripDirect]};
    CapturedPage page{c[Ctl::Label6]};
    // How the panel window stands: folded or open, tucked away or in place.
    Flag PanelOpen = False;
    Flag PanelInPlace = True;
    Flag BlinkPhase = False;
    int SavedLeft = 0; // twips; where the panel stood before it was tucked away

    // The window the panel is shown in; set by the view before start-up.
    void attachWindow(WindowPort* window) { window_ = window; }
    WindowPort* window() const { return window_; }

    // Close sequence of Form1: closes every window and ends the run.
    void close();
    void setQuitHandler(std::function<void()> quit) { quit_ = std::move(quit); }
    bool closed() const { return closed_; }

    // --- Input from the views -------------------------------------------
    void click(Ctl id);
    void mouseDown(Ctl id, MouseButton button);
    void mouseUp(Ctl id, MouseButton button);
    // The second press of a double click. Command buttons take it as another
    // press and click; labels and the background as neither.
    void doubleClick(Ctl id, MouseButton button);
    // Where the button now held went down; none once it is up, or when the
    // press was not the panel's (one that closed a list's popup).
    std::optional<Ctl> pressedOn() const {
        return press_ ? std::optional<Ctl>(press_->on) : std::nullopt;
    }
    // True once for the press now held: one press starts one window move at most.
    bool takeMoveOfPress() {
        if (!press_ || press_->moved) return false;
        press_->moved = true;
        return true;
    }
    void mouseMove(Ctl id, HeldButtons held = {});
    // A control that is off takes none of these, whoever sends them (a
    // screen reader, an input tool): false, and the view shows it again as it is.
    bool editText(Ctl id, const QString& text);
    bool editSelection(Ctl id, int start, int length);
    bool selectItem(Ctl id, int index);
    void focusChanged(Ctl id) { focus_ = id; }
    // From a floating step window: label index 0..6, -1 the background.
    void stepClick(Direction d, int index);
    void stepMouseMove(Direction d, int index);

    // --- Handlers, registered once each by the features -----------------
    using Handler = std::function<void()>;
    using ButtonHandler = std::function<void(MouseButton)>;
    using MoveHandler = std::function<void(HeldButtons)>;
    using StepHandler = std::function<void(Direction d, int index)>;
    void onClick(Ctl id, Handler h);
    void onMouseDown(Ctl id, ButtonHandler h);
    void onMouseUp(Ctl id, ButtonHandler h);
    void onMouseMove(Ctl id, MoveHandler h);
    void onTick(Tmr timer, Handler h);
    void onStepClick(StepHandler h);
    void onStepMouseMove(StepHandler h);

    TimerPort& timer(Tmr id) { return *timers_[static_cast<std::size_t>(id)]; }
    // A tick of the timer now, as if it fell due (the clipboard's change).
    void runTick(Tmr id);
    // Work of the panel's own that is no control's event (start-up, an answer).
    void run(const char* what, Handler h) { scheduler_.run({what, {}, {}}, std::move(h)); }
    Scheduler& scheduler() { return scheduler_; }
    bool inHandler() const { return scheduler_.inHandler(); }

    // --- Helpers the handlers share -------------------------------------
    MsgResult message(const QString& text, const QString& title,
                      MsgButtons buttons = MsgButtons::Ok, MsgIcon icon = MsgIcon::Exclamation);
    void setFocus(Ctl id) {
        focus_ = id;
        ++focusAsked_;
    }
    std::optional<Ctl> focus() const { return focus_; }
    // Counts the setFocus calls: the view moves the focus once for each.
    std::uint64_t focusAsked() const { return focusAsked_; }
    QString& text(Ctl id) { return c[id].caption; }
    // Replaces a box's text; as in any text box, the selection goes with the old text.
    void setText(Ctl id, const QString& text);
    void enable(Ctl id, bool on = true) { c[id].enabled = on; }
    void enable(std::initializer_list<Ctl> ids, bool on = true) {
        for (const Ctl id : ids)
            c[id].enabled = on;
    }
    void setCaret(Ctl id, int pos);

    StepWindowPair steps{*this};
    StepWindowModel* frmUP() const { return steps.get(Direction::Up); }
    StepWindowModel* frmDWN() const { return steps.get(Direction::Down); }

    // Asks the browser for a new window at url. `then` runs as its own
    // handler when the answer comes. A failure shows Error_08 when asked to,
    // once for every request made before that box was closed.
    void openPage(const QString& url, ReportFailure report, std::function<void(bool ok)> then);

    // The about window, once it exists.
    WindowPort* form2 = nullptr;

    // Connect to changed() to follow the model; the connection goes with its receiver.
    const PanelChanges& changes() const { return changes_; }
    // Shows the model's state in every view now.
    void notify();

  private:
    template <typename H> static void registerOnce(H& slot, H h, Ctl id, const char* event);
    static std::size_t at(Ctl id) { return static_cast<std::size_t>(id); }
    void endPressOfDisabled();

    Scheduler scheduler_;
    HeldPress held_;
    PanelChanges changes_;
    WindowPort* window_ = nullptr;
    std::function<void()> quit_;
    bool closed_ = false;
    std::optional<Ctl> focus_;
    struct Press {
        Ctl on;
        bool moved = false;
    };
    std::optional<Press> press_;
    std::uint64_t focusAsked_ = 0;
    std::uint64_t opensIssued_ = 0;
    std::uint64_t failuresReportedUpTo_ = 0;
    std::array<Handler, ControlCount> clicks_;
    std::array<MoveHandler, ControlCount> moves_;
    std::array<ButtonHandler, ControlCount> downs_, ups_;
    std::array<Handler, TimerCount> ticks_;
    StepHandler stepClick_, stepMove_;
    std::array<std::unique_ptr<TimerPort>, TimerCount> timers_;
};

} // namespace kurumin
