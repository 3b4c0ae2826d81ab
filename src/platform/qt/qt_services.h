#pragma once
// The desktop ports over Qt and X11. One UI thread: every class here is made
// and used on it.

#include "platform/desktop.h"
#include "platform/qt/x11_clipboard.h"
#include "platform/qt/x11_front_window.h"

#include <QLockFile>
#include <QObject>

#include <optional>

namespace kurumin {

class QtMessageBox : public MessageBoxPort {
  public:
    MsgResult show(const QString& text, const QString& title, MsgButtons buttons,
                   MsgIcon icon) override;
};

class QtBeep : public BeepPort {
  public:
    void beep() override;
};

class QtClock : public ClockPort {
  public:
    std::uint32_t tickCount() override;
    QDate today() override;
};

// Reads the window manager's properties on the X server Qt is connected to.
// The front window and its title are followed from the window manager's
// notifications once the first is asked for, so that reading them is free.
class X11WindowSystem : public WindowSystemPort {
  public:
    X11WindowSystem();
    ~X11WindowSystem() override;
    WindowHandle foregroundWindow() override;
    QByteArray windowTitle(WindowHandle window, int maxBytes) override;
    qint64 windowProcess(WindowHandle window) override;
    void setFrontChangeHandler(std::function<void()> handler) override;
    void showOnEveryWorkspace(WindowHandle window) override;
    MoveStart startMove(WindowHandle window, int x, int y) override;

  private:
    X11FrontWindow* front();
    std::unique_ptr<X11FrontWindow> front_;
    bool watching_ = false; // tried to follow the front window
    std::function<void()> handler_;
};

// The X clipboard. Its text is fetched once per change, not at every read,
// and never waited for: a text of megabytes left on it costs nothing while it
// stays, and an owner that never answers stalls nothing. A read gives the
// latest text the clipboard has given; the change handler runs once it has.
class QtClipboard : public ClipboardPort {
  public:
    // Qt's own read waits on the owner; it is what serves off X11, and the
    // yardstick the benchmarks measure the own connection against.
    enum class Read { OwnConnection, QtWaiting };
    explicit QtClipboard(Read read = Read::OwnConnection);
    bool hasText() override;
    QString text() override;
    // Both throw when another program holds the clipboard.
    void clear() override;
    void setText(const QString& text) override;
    void setChangeHandler(std::function<void()> handler) override;

  private:
    void refusedUnlessOurs();
    const std::optional<QString>& content();
    void fetched(const std::optional<QString>& text);

    QObject context_; // ends the connection with this object
    std::function<void()> handler_;
    std::optional<std::optional<QString>> fetched_; // unset: changed since the last fetch
    std::unique_ptr<X11ClipboardReader> reader_;    // null off X11: Qt's own, waiting read
};

class QtFileDialog : public FileDialogPort {
  public:
    QString openFile(const QString& title, const QString& filter,
                     const QString& initialFolder) override;
};

class XdgShell : public ShellPort {
  public:
    void open(const QString& target, const QString& workingFolder) override;
};

class QtProgram : public ProgramPort {
  public:
    QString programFolder() override;
    // Decided once; an installed program's first start makes the folder.
    QString dataFolder() override;
    QString helpPage() override;

  private:
    QString dataFolder_;
};

// A lock file held for the life of the process. A lock whose process has
// died (crash, kill -9) does not count.
class LockFileInstance : public SingleInstancePort {
  public:
    explicit LockFileInstance(const QString& lockPath = defaultLockPath());
    bool anotherInstanceRuns() override;
    static QString defaultLockPath();

  private:
    QLockFile lock_;
    std::optional<bool> another_;
};

class Utf8TextAppend : public TextAppendPort {
  public:
    void append(const QString& path, const QStringList& lines) override;
};

class QtTimers : public TimerFactoryPort {
  public:
    std::unique_ptr<TimerPort> create(const QString& name, int intervalMs,
                                      std::function<void()> onTick) override;
};

class QtEventLoop : public EventLoopPort {
  public:
    void post(std::function<void()> task) override;

  private:
    QObject context_; // tasks still queued when this goes are dropped
};

// "name|pattern|name|pattern" as a Qt name filter ("name (pattern);;...").
QString qtNameFilter(const QString& filter);
// At most maxBytes - 1 bytes of UTF-8, never ending inside a character.
QByteArray cutUtf8(const QByteArray& text, int maxBytes);

} // namespace kurumin
