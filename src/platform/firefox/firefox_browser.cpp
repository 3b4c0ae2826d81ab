#include "platform/firefox/firefox_browser.h"

#include <QFile>

#include <climits>
#include <unistd.h>

namespace kurumin {

qint64 firefoxLockProcess(const QString& profileFolder) {
    // The lock is a dangling link to "<address>:+<pid>".
    char target[PATH_MAX];
    const ssize_t n =
        readlink(QFile::encodeName(profileFolder + QStringLiteral("/lock")).constData(), target,
                 sizeof target - 1);
    if (n <= 0) return 0;
    const QByteArray text(target, n);
    const qsizetype plus = text.lastIndexOf(":+");
    bool numeric = false;
    const qint64 pid = plus < 0 ? 0 : text.mid(plus + 2).toLongLong(&numeric);
    return numeric && pid > 0 ? pid : 0;
}

FirefoxBrowser::FirefoxBrowser(const FirefoxOptions& options, ShellPort& fallback)
    : protocol_(connection_), tracker_(connection_, options.desktop, [this] { return process_; }),
      session_(connection_, protocol_, options, fallback) {
    connection_.setRequestTimeout(options.requestTimeoutMs);
    // Ahead of the opens queued meanwhile, so their windows are followed from the start.
    QObject::connect(&session_, &BrowserSession::ready, &tracker_, [this] {
        // The lock names the process that holds the windows, even one that restarted itself.
        process_ = firefoxLockProcess(session_.profileFolder());
        if (!process_) process_ = session_.startedProcess();
        tracker_.start();
    });
    QObject::connect(&session_, &BrowserSession::pageOpened, &tracker_, &ContextTracker::addOpened);
}

FirefoxBrowser::~FirefoxBrowser() {
    protocol_.farewell();
}

void FirefoxBrowser::openPage(const QString& url, OpenCallback done) {
    session_.openPage(url, std::move(done));
}

std::vector<BrowserPage> FirefoxBrowser::pages() {
    // A listing never starts a browser, it only attaches to one.
    session_.attachIfRunning();
    tracker_.refresh();
    return tracker_.pages();
}

std::unique_ptr<BrowserPort> createFirefoxBrowser(const QString& dataFolder, ShellPort& fallback,
                                                  WindowSystemPort& desktop,
                                                  const QString& program) {
    FirefoxOptions options;
    options.dataFolder = dataFolder;
    options.desktop = &desktop;
    options.programs = program.isEmpty() ? QStringList() : QStringList{program};
    return std::make_unique<FirefoxBrowser>(options, fallback);
}

} // namespace kurumin
