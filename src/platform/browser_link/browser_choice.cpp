#include "platform/browser_link/browser_choice.h"

#include "platform/log.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QPromise>

#include <thread>
#include <utility>

// GLib names a struct member after Qt's keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

namespace kurumin {

DesktopDefault lookUpDesktopDefault() {
    GAppInfo* app = g_app_info_get_default_for_uri_scheme("https");
    if (!app) return {};
    const char* id = g_app_info_get_id(app);
    const char* line = g_app_info_get_commandline(app);
    DesktopDefault found{QString::fromUtf8(id ? id : ""), QString::fromUtf8(line ? line : ""), {}};
    g_object_unref(app);
    if (found.exec.trimmed().isEmpty())
        found.problem =
            QStringLiteral("the desktop's default %1 has no Exec line").arg(logSafe(found.entry));
    return found;
}

QString programOfExecLine(const QString& exec) {
    const QStringList words = QProcess::splitCommand(exec);
    qsizetype i = 0;
    if (i < words.size() && QFileInfo(words[i]).fileName() == u"env") {
        ++i;
        while (i < words.size() && (words[i].contains(u'=') || words[i].startsWith(u'-')))
            ++i;
    }
    return i < words.size() ? words[i] : QString();
}

namespace {

bool confined(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    return path.contains(u"/snap/") || path.contains(u"/flatpak/") || name == u"snap" ||
           name == u"flatpak";
}

std::optional<BrowserFamily> familyOfProgram(const QString& canonical) {
    const QFileInfo info(canonical);
    const QString name = info.fileName().toLower();
    for (const char* mark : {"firefox", "iceweasel", "librewolf", "waterfox"})
        if (name.contains(QLatin1String(mark))) return BrowserFamily::Firefox;
    for (const char* mark : {"chrom", "brave", "msedge", "microsoft-edge", "vivaldi", "opera"})
        if (name.contains(QLatin1String(mark))) return BrowserFamily::Chromium;
    // A Chromium build under a name of its own still carries Chromium's resource packs.
    if (QFileInfo::exists(info.dir().filePath(QStringLiteral("chrome_100_percent.pak"))))
        return BrowserFamily::Chromium;
    return std::nullopt;
}

struct Assessed {
    QString path;
    BrowserFamily family = BrowserFamily::Chromium;
    QString problem; // empty: it can be driven
    QString canonical;
};

Assessed assess(const QString& named, const std::function<QString(const QString&)>& find) {
    Assessed a;
    a.path = named.contains(u'/') ? named : find(named);
    const QFileInfo info(a.path);
    if (a.path.isEmpty() || !info.exists()) {
        a.problem = QStringLiteral("is not installed");
    } else if (info.isDir()) {
        a.problem = QStringLiteral("is a folder");
    } else if (!info.isExecutable()) {
        a.problem = QStringLiteral("is not executable");
    } else {
        a.canonical = info.canonicalFilePath();
        const auto family = familyOfProgram(a.canonical);
        if (confined(a.path) || confined(a.canonical))
            a.problem = QStringLiteral("is a confined (snap or flatpak) browser that Kurumin "
                                       "cannot drive with a profile of its own");
        else if (!family)
            a.problem = QStringLiteral("is not a browser Kurumin can drive (Chromium family or "
                                       "Firefox)");
        else
            a.family = *family;
    }
    return a;
}

const char* failureName(OpenFailure failure) {
    switch (failure) {
    case OpenFailure::StartFailed:
        return "the browser did not start";
    case OpenFailure::ConnectionLost:
        return "the connection was lost";
    case OpenFailure::BrowserError:
        return "the browser refused the page";
    case OpenFailure::Timeout:
        return "the browser did not answer in time";
    case OpenFailure::Refused:
        return "not a web address";
    default:
        return "no browser";
    }
}

QString familyName(BrowserFamily family) {
    return family == BrowserFamily::Firefox ? QStringLiteral("Firefox")
                                            : QStringLiteral("Chromium family");
}

// The program BROWSER or the desktop names, driven when it can be, else the opener.
BrowserChoice namedChoice(const QString& source, const QString& named,
                          const std::function<QString(const QString&)>& find) {
    const Assessed a = named.isEmpty() ? Assessed{{}, {}, QStringLiteral("runs no program"), {}}
                                       : assess(named, find);
    if (a.problem.isEmpty()) {
        const QString through =
            a.canonical == a.path ? QString() : QStringLiteral(" → ") + a.canonical;
        return {a.family, a.path,
                QStringLiteral("%1 %2, named by %3 (%4%5)")
                    .arg(familyName(a.family), logSafe(a.path), source, logSafe(named), through),
                false};
    }
    return {BrowserFamily::Chromium,
            {},
            QStringLiteral("%1 names %2, which %3; pages go to the desktop's opener, and "
                           "the page in front is not followed")
                .arg(source, logSafe(named), a.problem),
            true};
}

// The first drivable browser installed, Chromium family first; else the opener.
BrowserChoice firstFound(const QString& why, const QStringList& chromiumPrograms,
                         const QStringList& firefoxPrograms,
                         const std::function<QString(const QString&)>& find) {
    for (const auto& [family, programs] : {std::pair{BrowserFamily::Chromium, chromiumPrograms},
                                           std::pair{BrowserFamily::Firefox, firefoxPrograms}}) {
        for (const QString& program : programs) {
            const Assessed a = assess(program, find);
            if (a.problem.isEmpty() && a.family == family)
                return {
                    family, a.path,
                    QStringLiteral("%1 %2, the first found%3").arg(familyName(family), a.path, why),
                    false};
        }
    }
    return {BrowserFamily::Chromium,
            {},
            QStringLiteral("no browser Kurumin can drive is installed; pages go to the desktop's "
                           "opener%1")
                .arg(why),
            false};
}

} // namespace

BrowserChoice chooseBrowser(const QString& browserVariable, const DesktopDefault& desktop,
                            const QStringList& chromiumPrograms, const QStringList& firefoxPrograms,
                            const std::function<QString(const QString&)>& find) {
    // BROWSER is a list of commands, each perhaps with arguments and %s.
    const QString first = browserVariable.section(u':', 0, 0).trimmed().section(u' ', 0, 0);
    if (!first.isEmpty()) return namedChoice(QStringLiteral("BROWSER"), first, find);
    if (desktop.problem.isEmpty() && !desktop.exec.isEmpty()) {
        const bool flatpak = QProcess::splitCommand(desktop.exec).contains(u"flatpak");
        return namedChoice(QStringLiteral("the desktop's default %1").arg(logSafe(desktop.entry)),
                           flatpak ? QStringLiteral("flatpak") : programOfExecLine(desktop.exec),
                           find);
    }
    const QString why =
        desktop.problem.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(desktop.problem);
    return firstFound(why, chromiumPrograms, firefoxPrograms, find);
}

ChosenBrowser::ChosenBrowser(LookUp lookUp, Choose choose, Make make, ShellPort& opener,
                             int lookUpLimitMs)
    : lookUp_(std::move(lookUp)), choose_(std::move(choose)), make_(std::move(make)),
      opener_(opener), limitMs_(lookUpLimitMs) {
    limit_.setSingleShot(true);
    connect(&limit_, &QTimer::timeout, this, [this] {
        decide({{},
                {},
                QStringLiteral("the desktop did not say which browser in %1 ms").arg(limitMs_)});
    });
    connect(&answer_, &QFutureWatcher<DesktopDefault>::finished, this, [this] {
        if (answer_.future().resultCount() > 0) decide(answer_.result());
    });
}

ChosenBrowser::~ChosenBrowser() = default;

void ChosenBrowser::begin() {
    if (begun_) return;
    begun_ = true;
    if (!lookUp_) return decide({});
    auto promise = std::make_shared<QPromise<DesktopDefault>>();
    answer_.setFuture(promise->future());
    promise->start();
    // Detached: a desktop that never answers keeps only this thread, never the panel.
    std::thread([promise, lookUp = lookUp_] {
        promise->addResult(lookUp());
        promise->finish();
    }).detach();
    limit_.start(limitMs_);
}

void ChosenBrowser::decide(const DesktopDefault& desktop) {
    if (choice_) return;
    limit_.stop();
    choice_ = choose_(desktop);
    if (choice_->undrivable || !desktop.problem.isEmpty())
        qCWarning(lcBrowser, "%s", qUtf8Printable(choice_->reason));
    else
        qCInfo(lcBrowser, "%s", qUtf8Printable(choice_->reason));
    if (!choice_->program.isEmpty()) {
        port_ = make_(*choice_);
        if (frontPageChanged_) port_->setFrontPageHandler(frontPageChanged_);
    }
    std::vector<Pending> waiting;
    waiting.swap(pending_);
    for (Pending& p : waiting)
        route(p.url, std::move(p.done));
}

void ChosenBrowser::openPage(const QString& url, OpenCallback done) {
    if (choice_) return route(url, std::move(done));
    pending_.push_back({url, std::move(done)});
    begin();
}

std::vector<BrowserPage> ChosenBrowser::pages() {
    return port_ ? port_->pages() : std::vector<BrowserPage>{};
}

std::optional<BrowserPage> ChosenBrowser::frontPage() {
    return port_ ? port_->frontPage() : std::nullopt;
}

void ChosenBrowser::setFrontPageHandler(std::function<void()> handler) {
    frontPageChanged_ = std::move(handler);
    if (port_) port_->setFrontPageHandler(frontPageChanged_);
}

void ChosenBrowser::route(const QString& url, OpenCallback done) {
    if (!port_) {
        QTimer::singleShot(0, this, [this, url, done = std::move(done)] { toOpener(url, done); });
        return;
    }
    port_->openPage(url, [this, self = QPointer(this), url,
                          done = std::move(done)](const OpenResult& result) {
        if (!self) return;
        if (result.ok()) {
            if (done) done(result);
            return;
        }
        // A browser that never came up will not come up at the next copy either.
        const bool startFailed = result.failure == OpenFailure::StartFailed;
        qCWarning(lcBrowser, "could not open %s: %s (%s)%s", qUtf8Printable(logSafe(url)),
                  failureName(result.failure), qUtf8Printable(logSafe(result.detail)),
                  startFailed && port_ ? "; pages go to the desktop's opener from now on" : "");
        if (!startFailed) {
            if (done) done(result);
            return;
        }
        // Not inside its own callback: the port goes once the failures it sent are handled.
        if (port_)
            QTimer::singleShot(0, this, [gone = std::shared_ptr<BrowserPort>(std::move(port_))] {});
        toOpener(url, done);
    });
}

void ChosenBrowser::toOpener(const QString& url, const OpenCallback& done) {
    const QString address = normaliseBrowserAddress(url);
    OpenResult result =
        OpenResult::failed(OpenFailure::Refused, QStringLiteral("not a web address"));
    if (!address.isEmpty()) {
        try {
            opener_.open(address, {});
            result = {};
            if (!std::exchange(noticed_, true) && notice_) notice_();
        } catch (const PlatformFailure& e) {
            result = OpenResult::failed(OpenFailure::NoBrowser, QString::fromUtf8(e.what()));
            qCWarning(lcBrowser, "the desktop's opener could not open %s: %s",
                      qUtf8Printable(logSafe(url)), e.what());
        }
    }
    if (done) done(result);
}

} // namespace kurumin
