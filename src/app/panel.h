#pragma once
// The panel Form1: its controls, the browse state, its timers and the
// handlers that change them. Input comes in by control name.

#include "app/controls.h"
#include "app/failure.h"
#include "app/services.h"
#include "browse/browse_state.h"

#include <QString>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>

namespace kurumin {

// A floating step window: seven labels over the panel's browse state.
struct StepWindow {
    bool up = true;
    ControlSet labels; // "Label1(0)" .. "Label1(6)"
    std::unique_ptr<WindowPort> window;
};

class Panel {
  public:
    explicit Panel(Services& services);
    ~Panel();
    Panel(const Panel&) = delete;
    Panel& operator=(const Panel&) = delete;

    Services& svc;
    ControlSet c;
    BrowseState s;
    // How the panel window stands: folded or open, tucked away or in place.
    Flag PanelOpen = False;
    Flag PanelInPlace = True;
    Flag BlinkPhase = False;

    // The window the panel is shown in; set by the view before load().
    void attachWindow(WindowPort* window) { window_ = window; }
    WindowPort* window() const { return window_; }

    // Start-up: the load step of Form1 (initial state, keep list, watcher).
    void load();
    // Close sequence of Form1: closes every window and ends the run.
    void close();
    void setQuitHandler(std::function<void()> quit) { quit_ = std::move(quit); }
    bool closed() const { return closed_; }

    // --- Input from the view, by control name ---------------------------
    void click(const QString& name);
    void mouseDown(const QString& name, MouseButton button);
    void mouseUp(const QString& name, MouseButton button);
    void mouseMove(const QString& name);
    void editText(const QString& name, const QString& text);
    void editSelection(const QString& name, int start, int length);
    void selectItem(const QString& name, int index);
    void focusChanged(const QString& name);
    // From a floating step window's view: label index 0..6, -1 the background.
    void stepClick(bool up, int index);
    void stepMouseMove(bool up, int index);

    // --- Handlers, registered by the subsystems -------------------------
    using Handler = std::function<void()>;
    using ButtonHandler = std::function<void(MouseButton)>;
    void onClick(const QString& name, Handler h) { clicks_[name] = std::move(h); }
    void onMouseDown(const QString& name, ButtonHandler h) { downs_[name] = std::move(h); }
    void onMouseUp(const QString& name, ButtonHandler h) { ups_[name] = std::move(h); }
    void onMouseMove(const QString& name, Handler h) { moves_[name] = std::move(h); }
    void onTick(const QString& timer, Handler h) { ticks_[timer] = std::move(h); }
    using StepHandler = std::function<void(bool up, int index)>;
    void onStepClick(StepHandler h) { stepClick_ = std::move(h); }
    void onStepMouseMove(StepHandler h) { stepMove_ = std::move(h); }

    // --- Timers ---------------------------------------------------------
    TimerPort& timer(const QString& name);

    // Runs a handler to its end. A handler that falls due while another one
    // waits in a modal box runs after it; a tick of the same timer that falls
    // due meanwhile is held back once, not run inside the other handler.
    void runHandler(const Handler& h);
    void runTick(const QString& timer);
    bool inHandler() const { return depth_ > 0; }

    // --- Helpers the handlers share -------------------------------------
    MsgResult message(const QString& text, const QString& title,
                      MsgButtons buttons = MsgButtons::Ok, MsgIcon icon = MsgIcon::Exclamation);
    void setFocus(const QString& name);
    const QString& focus() const { return focus_; }
    QString& text(const QString& name) { return c[name].caption; }
    void enable(const QString& name, bool on = true) { c[name].enabled = on; }
    void setCaret(const QString& name, int pos);

    // Floating step windows.
    std::unique_ptr<StepWindow> frmUP;
    std::unique_ptr<StepWindow> frmDWN;
    // Builds the window anew at the given place (twips), topmost, and shows it.
    StepWindow& openStepWindow(bool up, int left, int top);
    void closeStepWindows();
    void closeStepWindow(std::unique_ptr<StepWindow>& w);

    // Asks the browser for a new window at url. `then` runs as its own
    // handler when the answer comes. A failure shows Error_08 when asked to,
    // once for every request made before that box was closed.
    void openPage(const QString& url, bool reportFailure, std::function<void(bool ok)> then);

    // The about window, once it exists.
    WindowPort* form2 = nullptr;

    // The view listens here and shows the new state.
    // Views follow the model through listeners; each removes its own when it goes.
    int addListener(std::function<void()> l) {
        listeners_.emplace(++lastListener_, std::move(l));
        return lastListener_;
    }
    void removeListener(int id) { listeners_.erase(id); }
    void notify();

  private:
    void drain();
    void releaseIfDisabled();

    WindowPort* window_ = nullptr;
    std::function<void()> quit_;
    bool closed_ = false;
    QString focus_;
    int depth_ = 0;
    std::uint64_t opensIssued_ = 0;
    std::uint64_t failuresReportedUpTo_ = 0;
    std::deque<Handler> deferred_;
    // The control a button is held on: disabled meanwhile, it never sees the
    // release, so the panel ends the press for it.
    std::optional<std::pair<QString, MouseButton>> held_;
    std::map<QString, bool> heldTicks_;
    std::map<QString, Handler> clicks_, moves_, ticks_;
    std::map<QString, ButtonHandler> downs_, ups_;
    StepHandler stepClick_, stepMove_;
    std::map<QString, std::unique_ptr<TimerPort>> timers_;
    std::map<int, std::function<void()>> listeners_;
    int lastListener_ = 0;
};

// Registers every subsystem's handlers on the panel.
void wirePanel(Panel& panel);

} // namespace kurumin
