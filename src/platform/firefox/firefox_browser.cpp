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

std::unique_ptr<DrivenBrowser> createFirefoxBrowser(const DrivenBrowserOptions& options,
                                                    ShellPort& fallback) {
    return std::make_unique<DrivenBrowser>(
        [](BrowserConnection& connection) { return std::make_unique<FirefoxProtocol>(connection); },
        options, fallback);
}

} // namespace kurumin
