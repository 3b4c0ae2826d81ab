#pragma once
// Ports to the desktop. The panel's behaviour only ever talks to these; the
// real implementations live in platform/qt, the test doubles in platform/fake.

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace kurumin {

// A port that could not do what it was asked (a clipboard another program
// holds, a file that cannot be written): the one way every port, real or
// double, reports a failure. Handlers trap it like a failed command.
struct PlatformFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

using WindowHandle = std::uint64_t; // X11 window id; 0 means none

enum class MsgButtons { Ok, OkCancel };
enum class MsgIcon { None, Exclamation };
enum class MsgResult { Ok, Cancel };

class MessageBoxPort {
  public:
    virtual ~MessageBoxPort() = default;
    // Modal. CR LF in text is a line break.
    virtual MsgResult show(const QString& text, const QString& title, MsgButtons buttons,
                           MsgIcon icon) = 0;
};

class BeepPort {
  public:
    virtual ~BeepPort() = default;
    virtual void beep() = 0;
};

class ClockPort {
  public:
    virtual ~ClockPort() = default;
    // Milliseconds, monotonic, wrapping at 32 bits; only differences are used.
    virtual std::uint32_t tickCount() = 0;
    virtual QDate today() = 0;
};

class WindowSystemPort {
  public:
    virtual ~WindowSystemPort() = default;
    virtual WindowHandle foregroundWindow() = 0;
    // The title in the locale's encoding, cut to at most maxBytes - 1 bytes.
    virtual QByteArray windowTitle(WindowHandle window, int maxBytes) = 0;
    // The process that says it owns the window; 0 when it does not say.
    virtual qint64 windowProcess(WindowHandle window) {
        (void)window;
        return 0;
    }
    // Runs on the UI thread after the front window or its title changed; one
    // handler at a time. A desktop that cannot tell never calls it.
    virtual void setFrontChangeHandler(std::function<void()> handler) { (void)handler; }
    // Puts the window on every workspace. Asked again each time it is shown,
    // as a window manager forgets it when the window is withdrawn.
    virtual void showOnEveryWorkspace(WindowHandle window) { (void)window; }
    // The window manager moves the window by the pointer's way from (x, y),
    // root pixels where the button went down, until the release: the motion
    // before the call counts.
    enum class MoveStart {
        Taken,
        Late, // the button is up already: the window's own motion and release tell
        Unsupported,
    };
    virtual MoveStart startMove(WindowHandle window, int x, int y) {
        (void)window, (void)x, (void)y;
        return MoveStart::Unsupported;
    }
};

struct RectTwips {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const RectTwips&, const RectTwips&) = default;
};

// One top-level window of the tool (the panel, a floating step window).
class WindowPort {
  public:
    virtual ~WindowPort() = default;
    virtual WindowHandle handle() = 0;
    virtual void setTopmost() = 0; // above all non-topmost windows, no move, no size
    virtual void startSystemMove() = 0;
    virtual RectTwips geometry() = 0;
    virtual void setGeometry(const RectTwips& rect) = 0;
    // The left edge of the monitor the window is on, in twips of the desktop.
    virtual int monitorLeft() = 0;
    virtual void show() = 0;  // not modal; showing a shown window does nothing
    virtual void close() = 0; // closing a closed window does nothing
    virtual bool isOpen() = 0;
};

enum class Align { Left, Center, Right };

class ClipboardPort {
  public:
    virtual ~ClipboardPort() = default;
    virtual bool hasText() = 0;
    virtual QString text() = 0;
    virtual void clear() = 0;
    virtual void setText(const QString& text) = 0;
    // Called on the UI thread after another program (or this one) changed it.
    virtual void setChangeHandler(std::function<void()> handler) = 0;
};

class FileDialogPort {
  public:
    virtual ~FileDialogPort() = default;
    // filter in the "name|pattern|name|pattern" form; empty result on cancel.
    virtual QString openFile(const QString& title, const QString& filter,
                             const QString& initialFolder) = 0;
};

class ShellPort {
  public:
    virtual ~ShellPort() = default;
    // Opens a file (or address) with the desktop's default handler; throws
    // when no handler could be started.
    virtual void open(const QString& target, const QString& workingFolder) = 0;
};

class ProgramPort {
  public:
    virtual ~ProgramPort() = default;
    virtual QString programFolder() = 0; // no trailing separator
    // Where URL.ini, REC/ and browser-profile/ live: the program folder when
    // it can be written, else the user's data folder. No trailing separator.
    virtual QString dataFolder() = 0;
    // The shipped help page, as an absolute path.
    virtual QString helpPage() = 0;
};

class SingleInstancePort {
  public:
    virtual ~SingleInstancePort() = default;
    // True when another instance already runs. Made before any window exists.
    virtual bool anotherInstanceRuns() = 0;
};

struct ProfileEdit {
    enum Kind { Write, DeleteSection } kind = Write;
    QString section;
    QString key;
    QString value;
};

class ProfilePort {
  public:
    virtual ~ProfilePort() = default;
    static constexpr int BufferSize = 1024;
    // Every edit in order, then the file written once: a crash leaves the
    // old file or the new one, never a list half rewritten.
    virtual void apply(const QString& file, const std::vector<ProfileEdit>& edits) = 0;
    // Never fails: what cannot be read answers the default.
    virtual QString read(const QString& file, const QString& section, const QString& key,
                         const QString& defaultValue) = 0;
};

class TextAppendPort {
  public:
    virtual ~TextAppendPort() = default;
    // Each line gets CR LF. Creates a missing file, never its folder. A
    // failed append leaves the file as it was.
    virtual void append(const QString& path, const QStringList& lines) = 0;
};

class TimerPort {
  public:
    virtual ~TimerPort() = default;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    virtual int interval() const = 0;
    // Takes effect from now: a running timer starts its wait again.
    virtual void setInterval(int ms) = 0;
};

class TimerFactoryPort {
  public:
    virtual ~TimerFactoryPort() = default;
    virtual std::unique_ptr<TimerPort> create(const QString& name, int intervalMs,
                                              std::function<void()> onTick) = 0;
};

// Everything runs on one thread: a task posted here runs later on it.
class EventLoopPort {
  public:
    virtual ~EventLoopPort() = default;
    virtual void post(std::function<void()> task) = 0;
};

} // namespace kurumin
