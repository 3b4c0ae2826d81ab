#include "platform/qt/qt_services.h"

#include "platform/data_folder.h"
#include "platform/log.h"
#include "platform/qt/xcb_util.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

#include <unistd.h>

namespace kurumin {

MsgResult QtMessageBox::show(const QString& text, const QString& title, MsgButtons buttons,
                             MsgIcon icon) {
    QMessageBox box;
    box.setWindowTitle(title);
    // Plain text: a page address or title must never be read as markup.
    box.setTextFormat(Qt::PlainText);
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    box.setText(shown);
    box.setIcon(icon == MsgIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon);
    // The panel stays on top of everything; its box must not open behind it.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    box.setDefaultButton(ok);
    if (buttons == MsgButtons::OkCancel)
        box.setEscapeButton(box.addButton(QMessageBox::Cancel));
    else
        box.setEscapeButton(ok);
    box.exec();
    if (buttons == MsgButtons::Ok) return MsgResult::Ok;
    return box.clickedButton() == ok ? MsgResult::Ok : MsgResult::Cancel;
}

void QtBeep::beep() {
    QApplication::beep();
}

std::uint32_t QtClock::tickCount() {
    QElapsedTimer t;
    t.start();
    return static_cast<std::uint32_t>(t.msecsSinceReference());
}

QDate QtClock::today() {
    return QDate::currentDate();
}

QtClipboard::QtClipboard(Read read) {
    if (read == Read::OwnConnection && QGuiApplication::platformName() == QLatin1String("xcb"))
        reader_ = X11ClipboardReader::create([this](const auto& text) { fetched(text); });
    if (reader_) {
        fetched_.emplace(std::nullopt);
        QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, &context_,
                         [this] { reader_->fetch(); });
        reader_->fetch();
        return;
    }
    QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, &context_, [this] {
        fetched_.reset();
        if (handler_) handler_();
    });
}

void QtClipboard::fetched(const std::optional<QString>& text) {
    const bool changed = !fetched_ || *fetched_ != text;
    fetched_.emplace(text);
    if (changed && handler_) handler_();
}

const std::optional<QString>& QtClipboard::content() {
    if (!fetched_) {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        fetched_.emplace(data && data->hasText() ? std::optional(data->text()) : std::nullopt);
    }
    return *fetched_;
}

bool QtClipboard::hasText() {
    return content().has_value();
}

QString QtClipboard::text() {
    return content().value_or(QString());
}

// Qt claims the clipboard with the time of the last event it saw: a program
// that took it after that keeps it, and Qt only logs a warning.
void QtClipboard::refusedUnlessOurs() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) return;
    xcb_connection_t* c = x11->connection();
    const xcb::Reply<xcb_get_selection_owner_reply_t> r(xcb_get_selection_owner_reply(
        c, xcb_get_selection_owner(c, xcb::atom(c, "CLIPBOARD")), nullptr));
    if (r && r->owner != XCB_NONE && !xcb::ours(c, r->owner))
        throw PlatformFailure("another program holds the clipboard");
}

// A read asked before the panel's own write would give back the text it replaced.
void QtClipboard::clear() {
    QGuiApplication::clipboard()->clear();
    refusedUnlessOurs();
    if (reader_) reader_->forget();
    fetched_.emplace(std::nullopt);
}

void QtClipboard::setText(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    refusedUnlessOurs();
    if (reader_) reader_->forget();
    fetched_.emplace(text);
}

void QtClipboard::setChangeHandler(std::function<void()> handler) {
    handler_ = std::move(handler);
}

QString qtNameFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i];
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        patterns = patterns.simplified();
        // "*.*" means every file, dotless names too, as "*" does here.
        QStringList each = patterns.split(u' ');
        for (QString& p : each)
            if (p == QLatin1String("*.*")) p = QStringLiteral("*");
        const QString own = each.join(u' ');
        // A name that shows its patterns already is the filter as it stands.
        const QString shown = u'(' + patterns + u')';
        if (name.endsWith(shown)) {
            name.chop(shown.size());
            out << name + u'(' + own + u')';
        } else {
            out << QStringLiteral("%1 (%2)").arg(name, own);
        }
    }
    return out.join(QLatin1String(";;"));
}

QString QtFileDialog::openFile(const QString& title, const QString& filter,
                               const QString& initialFolder) {
    return QFileDialog::getOpenFileName(nullptr, title, initialFolder, qtNameFilter(filter));
}

void XdgShell::open(const QString& target, const QString& workingFolder) {
    if (target.isEmpty()) throw PlatformFailure("nothing to open");
    // A name starting with '-' would be taken for an option of xdg-open.
    const QString arg = target.startsWith(u'-')
                            ? QDir(workingFolder.isEmpty() ? QDir::currentPath() : workingFolder)
                                  .absoluteFilePath(target)
                            : target;
    if (!QProcess::startDetached(QStringLiteral("xdg-open"), {arg}, workingFolder))
        throw PlatformFailure("cannot start xdg-open");
}

QString QtProgram::programFolder() {
    return QCoreApplication::applicationDirPath();
}

QString QtProgram::dataFolder() {
    if (!dataFolder_.isEmpty()) return dataFolder_;
    const ProgramPlace place = inspectProgramFolder(programFolder());
    dataFolder_ = chooseDataFolder(place, qEnvironmentVariable("XDG_DATA_HOME"),
                                   qEnvironmentVariable("HOME"));
    if (dataFolder_ != place.folder && !prepareDataFolder(dataFolder_))
        qCWarning(lcDesktop, "cannot create the data folder %s", qPrintable(dataFolder_));
    return dataFolder_;
}

QString QtProgram::helpPage() {
    return findHelpPage(programFolder());
}

LockFileInstance::LockFileInstance(const QString& lockPath) : lock_(lockPath) {
    // Age alone never makes a live instance's lock stale; a dead owner does.
    lock_.setStaleLockTime(0);
}

QString LockFileInstance::defaultLockPath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    return QDir(dir).filePath(QStringLiteral("kurumin-%1.lock").arg(getuid()));
}

bool LockFileInstance::anotherInstanceRuns() {
    if (another_) return *another_;
    if (lock_.tryLock(0)) {
        another_ = false;
    } else if (lock_.error() == QLockFile::LockFailedError) {
        another_ = true;
    } else {
        // No place for the lock: running twice is better than not running at all.
        qCWarning(lcDesktop, "cannot create the instance lock %s", qPrintable(lock_.fileName()));
        another_ = false;
    }
    return *another_;
}

void Utf8TextAppend::append(const QString& path, const QStringList& lines) {
    const auto failed = [&] { return PlatformFailure("cannot append to " + path.toStdString()); };
    QFile file(path);
    // Unbuffered: what failed to go out must not go out later, at close.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        throw failed();
    QByteArray out;
    for (const QString& line : lines)
        out += line.toUtf8() + "\r\n";
    const qint64 before = file.size();
    if (file.write(out) == out.size()) {
        file.close();
        if (file.error() == QFileDevice::NoError) return;
        throw failed();
    }
    // A full disk took part of the record. Taken back, or the next record
    // would go on the same line as half of this one.
    file.resize(before);
    throw failed();
}

namespace {

class QtTimer : public TimerPort {
  public:
    QtTimer(int intervalMs, std::function<void()> onTick) : onTick_(std::move(onTick)) {
        timer_.setInterval(intervalMs);
        // The held-button repeats run at 50 ms; coarse timers would wander by 5 %.
        timer_.setTimerType(intervalMs <= 100 ? Qt::PreciseTimer : Qt::CoarseTimer);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
            if (onTick_) onTick_();
        });
    }
    void start() override { timer_.start(); }
    void stop() override { timer_.stop(); }
    bool isActive() const override { return timer_.isActive(); }
    int interval() const override { return timer_.interval(); }
    void setInterval(int ms) override { timer_.setInterval(ms); }

  private:
    QTimer timer_;
    std::function<void()> onTick_;
};

} // namespace

std::unique_ptr<TimerPort> QtTimers::create(const QString& /*name*/, int intervalMs,
                                            std::function<void()> onTick) {
    return std::make_unique<QtTimer>(intervalMs, std::move(onTick));
}

void QtEventLoop::post(std::function<void()> task) {
    QMetaObject::invokeMethod(
        &context_,
        [task = std::move(task)] {
            // An exception must not unwind through Qt's event loop.
            try {
                task();
            } catch (const std::exception& e) {
                qCWarning(lcDesktop, "posted task failed: %s", e.what());
            }
        },
        Qt::QueuedConnection);
}

} // namespace kurumin
