#pragma once
// Test doubles of every platform port. Nothing here waits or touches the
// desktop: time, timers, the clipboard and the browser move only when a test
// says so.

#include "panel/panel_windows.h"
#include "platform/services.h"

#include <QHash>

#include <deque>
#include <map>
#include <optional>
#include <stdexcept>
#include <vector>

namespace kurumin::fake {

struct ShownMessage {
    QString text;
    QString title;
    MsgButtons buttons;
    MsgIcon icon;
};

class MessageBox : public MessageBoxPort {
  public:
    MsgResult show(const QString& text, const QString& title, MsgButtons buttons,
                   MsgIcon icon) override;
    std::vector<ShownMessage> shown;
    std::deque<MsgResult> answers; // answered in order, then Ok
    // Runs while the box is "open", as a nested event loop would.
    std::function<void()> whileOpen;
    QString lastTitle() const { return shown.empty() ? QString() : shown.back().title; }
};

class Beep : public BeepPort {
  public:
    void beep() override { ++count; }
    int count = 0;
};

class Clock : public ClockPort {
  public:
    std::uint32_t tickCount() override {
        const std::uint32_t now = ticks;
        ticks += stepPerRead;
        return now;
    }
    QDate today() override { return date; }
    std::uint32_t ticks = 1000;
    std::uint32_t stepPerRead = 0;
    QDate date{2026, 12, 6};
};

class WindowSystem : public WindowSystemPort {
  public:
    WindowHandle foregroundWindow() override { return foreground; }
    QByteArray windowTitle(WindowHandle window, int maxBytes) override;
    qint64 windowProcess(WindowHandle window) override {
        const auto it = processes.find(window);
        return it == processes.end() ? 0 : it->second;
    }
    void setFrontChangeHandler(std::function<void()> handler) override {
        frontChanged = std::move(handler);
    }
    MoveStart startMove(WindowHandle window, int x, int y) override {
        (void)window;
        movesFrom.emplace_back(x, y);
        return moveStart;
    }
    // As the desktop's change notification does.
    void bringToFront(WindowHandle window) {
        foreground = window;
        if (frontChanged) frontChanged();
    }
    WindowHandle foreground = 0;
    std::map<WindowHandle, QByteArray> titles;
    std::map<WindowHandle, qint64> processes;
    std::function<void()> frontChanged;
    std::vector<std::pair<int, int>> movesFrom;   // root pixels
    MoveStart moveStart = MoveStart::Unsupported; // else the view moves the window itself
};

class Window : public WindowPort {
  public:
    explicit Window(WindowHandle h = 0x1000) : handle_(h) {}
    WindowHandle handle() override { return handle_; }
    void setTopmost() override { topmost = true; }
    void startSystemMove() override { ++moves; }
    RectTwips geometry() override { return geo; }
    void setGeometry(const RectTwips& rect) override { geo = rect; }
    int monitorLeft() override { return monitor; }
    void show() override {
        if (!open) ++shows;
        open = true;
    }
    void close() override { open = false; }
    bool isOpen() override { return open; }

    RectTwips geo;
    int monitor = 0;
    bool open = false;
    bool topmost = false;
    int shows = 0;
    int moves = 0;

  private:
    WindowHandle handle_;
};

class Clipboard : public ClipboardPort {
  public:
    bool hasText() override { return content.has_value(); }
    QString text() override { return content.value_or(QString()); }
    void clear() override {
        refuse();
        content.reset();
    }
    void setText(const QString& text) override {
        refuse();
        content = text;
    }
    void setChangeHandler(std::function<void()> handler) override { onChange = std::move(handler); }
    // Another program takes the clipboard.
    void copyFromElsewhere(const std::optional<QString>& text) {
        content = text;
        if (onChange) onChange();
    }
    std::optional<QString> content;
    std::function<void()> onChange;
    bool refuseWrites = false; // another program holds it open

  private:
    void refuse() const {
        if (refuseWrites) throw PlatformFailure("clipboard held open");
    }
};

class FileDialog : public FileDialogPort {
  public:
    QString openFile(const QString& title, const QString& filter,
                     const QString& initialFolder) override {
        asked.push_back({title, filter, initialFolder});
        return answer;
    }
    QString answer;
    std::vector<QStringList> asked;
};

class Shell : public ShellPort {
  public:
    void open(const QString& target, const QString& workingFolder) override {
        opened.push_back({target, workingFolder});
        if (!succeed) throw PlatformFailure("no handler");
    }
    std::vector<QStringList> opened;
    bool succeed = true;
};

class Program : public ProgramPort {
  public:
    QString programFolder() override { return folder; }
    QString dataFolder() override { return data.value_or(folder); }
    QString helpPage() override { return folder + QStringLiteral("/help/index.html"); }
    QString folder = QStringLiteral("/opt/kurumin");
    std::optional<QString> data; // unset: beside the program
};

class SingleInstance : public SingleInstancePort {
  public:
    bool anotherInstanceRuns() override { return another; }
    bool another = false;
};

// A profile held in memory: file -> ordered sections -> ordered keys.
class Profile : public ProfilePort {
  public:
    QString read(const QString& file, const QString& section, const QString& key,
                 const QString& defaultValue) override;
    // A file that cannot be written changes nothing and says so.
    void apply(const QString& file, const std::vector<ProfileEdit>& edits) override;
    // A line put there by hand.
    void write(const QString& file, const QString& section, const QString& key,
               const QString& value);
    bool fail = false;
    int commits = 0;

    using Section = std::vector<std::pair<QString, QString>>;
    std::map<QString, std::vector<std::pair<QString, Section>>> files;
    int writes = 0;
};

class TextAppend : public TextAppendPort {
  public:
    void append(const QString& path, const QStringList& lines) override {
        if (fail) throw PlatformFailure("disk full");
        files[path] += lines;
    }
    std::map<QString, QStringList> files;
    bool fail = false;
};

class Timer : public TimerPort {
  public:
    Timer(QString name, int interval, std::function<void()> onTick)
        : name_(std::move(name)), interval_(interval), onTick_(std::move(onTick)) {}
    void start() override {
        active_ = true;
        ++starts;
    }
    void stop() override { active_ = false; }
    bool isActive() const override { return active_; }
    int interval() const override { return interval_; }
    void setInterval(int ms) override { interval_ = ms; }
    // One tick falls due; a stopped timer does not tick.
    void fire() {
        if (active_ && onTick_) onTick_();
    }
    int starts = 0;

  private:
    QString name_;
    int interval_;
    bool active_ = false;
    std::function<void()> onTick_;
};

class Timers : public TimerFactoryPort {
  public:
    std::unique_ptr<TimerPort> create(const QString& name, int intervalMs,
                                      std::function<void()> onTick) override;
    Timer& operator[](const QString& name);
    std::map<QString, Timer*> byName; // owned by whoever asked for them
};

class EventLoop : public EventLoopPort {
  public:
    void post(std::function<void()> task) override { queue.push_back(std::move(task)); }
    // Runs what is queued, and what those tasks queue in turn.
    int runPending();
    std::deque<std::function<void()>> queue;
};

struct OpenRequest {
    QString url;
    BrowserPort::OpenCallback done;
};

// Answers each open as a later event on the fake loop.
class Browser : public BrowserPort {
  public:
    explicit Browser(EventLoop& loop) : loop_(loop) {}
    void openPage(const QString& url, OpenCallback done) override;
    std::vector<BrowserPage> pages() override { return open; }
    void setFrontPageHandler(std::function<void()> handler) override {
        frontChanged = std::move(handler);
    }
    QStringList opened() const;
    std::function<void()> frontChanged;
    std::vector<QString> requested;
    OpenFailure failWith = OpenFailure::None;
    std::vector<BrowserPage> open;
    int listings = 0;

  private:
    EventLoop& loop_;
};

// A floating step window as its view would show it.
class StepWindow : public Window {
  public:
    StepWindow(WindowHandle h, Direction d, StepLabelInput& in)
        : Window(h), direction(d), input(&in) {}
    Direction direction;
    StepLabelInput* input; // null once the panel has let the window go
    std::vector<StepLabelLook> labels;
};

class StepWindowFactory : public StepWindowFactoryPort {
  public:
    std::unique_ptr<StepWindowPort> createStepWindow(Direction d, StepLabelInput& input) override;
    // Kept here after the panel lets its window go, so tests can still look at it.
    std::vector<std::unique_ptr<StepWindow>> created;
    WindowHandle next = 0x2000;
};

class AboutWindowHost : public AboutWindowHostPort {
  public:
    WindowPort& aboutWindow(std::function<void()> onLink) override {
        ++asked;
        link = std::move(onLink);
        return window;
    }
    Window window{0x3000};
    std::function<void()> link; // a click on the help link
    int asked = 0;
};

// Every double in one place, and the Services bundle over them.
struct Desktop {
    MessageBox messageBox;
    Beep beep;
    Clock clock;
    WindowSystem windows;
    Clipboard clipboard;
    FileDialog fileDialog;
    Shell shell;
    Program program;
    SingleInstance instance;
    Profile profile;
    TextAppend textAppend;
    Timers timers;
    EventLoop loop;
    Browser browser{loop};
    StepWindowFactory stepWindows;
    AboutWindowHost about;
    Services services{messageBox, beep,    clock,      windows, clipboard, fileDialog, shell,
                      program,    profile, textAppend, timers,  loop,      browser};
    PanelWindowMakers ownWindows{stepWindows, about};
};

} // namespace kurumin::fake
