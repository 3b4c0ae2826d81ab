#pragma once
// Which browser to drive: the user's default browser when it is one we can
// drive and it is installed, else the first installed, Chromium family first.

#include <QString>
#include <QStringList>

#include <functional>

namespace kurumin {

enum class BrowserFamily { Chromium, Firefox };

struct BrowserChoice {
    BrowserFamily family = BrowserFamily::Chromium;
    QString program; // empty: none installed, pages go to the desktop's handler
};

// The default browser as the desktop names it: the first command of BROWSER
// when set, else what `xdg-settings get default-web-browser` says (a desktop
// file name). Empty when neither says.
QString desktopDefaultBrowser();

// `find` returns the program's path, empty when it is not installed.
BrowserChoice chooseBrowser(const QString& named, const QStringList& chromiumPrograms,
                            const QStringList& firefoxPrograms,
                            const std::function<QString(const QString&)>& find);

} // namespace kurumin
