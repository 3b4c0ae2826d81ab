#pragma once
// Which browser to drive: the one BROWSER or the desktop names, when it is a
// browser we can drive with a profile of our own; else, when none is named,
// the first installed, Chromium family first. A named browser that cannot be
// driven gets its pages through the desktop's opener.
//
// The desktop's answer may be slow or never come, so it is asked on a worker
// thread after the panel shows, and not waited for beyond a limit.

#include "platform/browser.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kurumin {

enum class BrowserFamily { Chromium, Firefox };

struct BrowserChoice {
    BrowserFamily family = BrowserFamily::Chromium;
    QString program;         // empty: pages go to the desktop's opener
    QString reason;          // why this one, for the log
    bool undrivable = false; // a browser was named but cannot be driven
};

// The desktop's default handler of https addresses.
struct DesktopDefault {
    QString entry;   // its desktop file, as "firefox-esr.desktop"
    QString exec;    // its Exec line
    QString problem; // why there is none, when the lookup failed
};

// Asks the desktop (GIO); may block on a broken desktop set-up.
DesktopDefault lookUpDesktopDefault();

// The program an Exec line runs: past `env` and its assignments; empty for a
// line that runs nothing.
QString programOfExecLine(const QString& exec);

// `find` gives a program name's path on PATH, empty when it is not there.
BrowserChoice chooseBrowser(const QString& browserVariable, const DesktopDefault& desktop,
                            const QStringList& chromiumPrograms, const QStringList& firefoxPrograms,
                            const std::function<QString(const QString&)>& find);

// The browser port that makes its choice off the start-up path: in the
// background from begin(), or at the first open. Opens wait for the choice;
// a chosen browser that does not start gives its pages to the desktop's
// opener from then on.
class ChosenBrowser : public QObject, public BrowserPort {
    Q_OBJECT
  public:
    using LookUp = std::function<DesktopDefault()>;
    using Choose = std::function<BrowserChoice(const DesktopDefault&)>;
    using Make = std::function<std::unique_ptr<BrowserPort>(const BrowserChoice&)>;
    // `lookUp` runs on a worker thread; empty when nothing needs asking.
    ChosenBrowser(LookUp lookUp, Choose choose, Make make, ShellPort& opener,
                  int lookUpLimitMs = 3000);
    ~ChosenBrowser() override;

    void begin();
    void openPage(const QString& url, OpenCallback done) override;
    std::vector<BrowserPage> pages() override;
    std::optional<BrowserPage> frontPage() override;
    // Kept for the browser chosen later.
    void setFrontPageHandler(std::function<void()> handler) override;

    // Told once, the first time a page goes to the opener because no browser
    // can be driven: the page in front is then unknown.
    void setNotice(std::function<void()> notice) { notice_ = std::move(notice); }
    const std::optional<BrowserChoice>& choice() const { return choice_; }

  private:
    struct Pending {
        QString url;
        OpenCallback done;
    };
    void decide(const DesktopDefault& desktop);
    void route(const QString& url, OpenCallback done);
    void toOpener(const QString& url, const OpenCallback& done);

    LookUp lookUp_;
    Choose choose_;
    Make make_;
    ShellPort& opener_;
    int limitMs_;
    bool begun_ = false;
    std::optional<BrowserChoice> choice_;
    std::unique_ptr<BrowserPort> port_;
    bool noticed_ = false;
    std::function<void()> notice_;
    std::function<void()> frontPageChanged_;
    std::vector<Pending> pending_;
    QFutureWatcher<DesktopDefault> answer_;
    QTimer limit_;
};

} // namespace kurumin
