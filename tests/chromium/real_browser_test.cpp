// The port against the installed browser. Run on a private display:
//   tests/desktop-session.sh build/bin/chromium_browser_tests
#include "platform/chromium/chromium_port.h"

#include "local_http.h"
#include "platform/qt/qt_services.h"
#include "test_support.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QRasterWindow>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

using namespace kurumin;

namespace {

bool running(qint64 pid) {
    return pid > 0 && ::kill(pid_t(pid), 0) == 0;
}

// The X window of the browser window showing `title`.
QString browserWindow(const QString& title) {
    QProcess p;
    p.start(QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
             QStringLiteral("^") + QRegularExpression::escape(title) + QStringLiteral(" - ")});
    p.waitForFinished(5000);
    return QString::fromLatin1(p.readAllStandardOutput()).split(u'\n').value(0).trimmed();
}

// The pages the port says are in front.
QSet<QString> inFront(BrowserPort& port) {
    QSet<QString> urls;
    for (const auto& p : port.pages())
        if (p.inFront) urls.insert(p.url);
    return urls;
}

QSet<QString> urlsOf(const std::vector<BrowserPage>& pages) {
    QSet<QString> urls;
    for (const auto& p : pages)
        urls.insert(p.url);
    return urls;
}

// The browser's own HTTP listing of its pages.
QSet<QString> listedPages(const QString& profile) {
    const auto endpoint = readDevToolsPort(profile);
    if (!endpoint) return {};
    QNetworkAccessManager net;
    net.setProxy(QNetworkProxy::NoProxy);
    QNetworkReply* reply = net.get(QNetworkRequest(
        QUrl(QStringLiteral("http://127.0.0.1:%1/json/list").arg(endpoint->port()))));
    if (!QTest::qWaitFor([&] { return reply->isFinished(); }, 5000)) return {};
    const QByteArray raw = reply->readAll();
    QSet<QString> urls;
    for (const QJsonValue& v : QJsonDocument::fromJson(raw).array())
        if (v["type"].toString() == u"page") urls.insert(v["url"].toString());
    reply->deleteLater();
    return urls;
}

class RealBrowserTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        if (findBrowserProgram(defaultBrowserPrograms()).isEmpty()) GTEST_SKIP() << "no browser";
        options.dataFolder = folder.path();
        options.requestTimeoutMs = 10000;
        options.startTimeoutMs = 20000;
    }
    // Only the processes this test started, by their id.
    void TearDown() override {
        for (qint64 pid : started)
            if (running(pid)) ::kill(pid_t(pid), SIGTERM);
        for (qint64 pid : started) {
            if (!QTest::qWaitFor([&] { return !running(pid); }, 10000)) ::kill(pid_t(pid), SIGKILL);
        }
    }
    bool opened(const std::shared_ptr<OpenOutcome>& o) {
        return QTest::qWaitFor([&] { return o->result.has_value(); }, 40000) && o->result->ok();
    }

    QTemporaryDir folder;
    ChromiumOptions options;
    kurumin::fake::Shell shell;
    LocalHttp http;
    std::vector<qint64> started;
};

TEST_F(RealBrowserTest, OpensPagesFollowsThemAndStartsAgainAfterTheBrowserDies) {
    ChromiumBrowser port(options, shell);
    const QString one = http.url("/one"), two = http.url("/two");
    auto a = openOn(port, one);
    auto b = openOn(port, two);
    ASSERT_TRUE(opened(a)) << a->result->detail.toStdString();
    ASSERT_TRUE(opened(b)) << b->result->detail.toStdString();
    const qint64 first = port.startedProcess();
    ASSERT_GT(first, 0);
    started.push_back(first);

    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto urls = urlsOf(port.pages());
            return urls.contains(one) && urls.contains(two);
        },
        15000));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            for (const auto& p : port.pages())
                if (p.url == two && p.title == u"Page /two") return true;
            return false;
        },
        10000));
    EXPECT_EQ(urlsOf(port.pages()), listedPages(port.profileFolder()));

    // The window opened last has the desktop focus, and only that one.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            int front = 0;
            bool twoInFront = false;
            for (const auto& p : port.pages()) {
                front += p.inFront;
                twoInFront = twoInFront || (p.inFront && p.url == two);
            }
            return front == 1 && twoInFront;
        },
        10000));

    ::kill(pid_t(first), SIGKILL);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return port.pages().empty() && !port.isConnected(); }, 15000));

    const QString three = http.url("/three");
    auto c = openOn(port, three);
    ASSERT_TRUE(opened(c)) << c->result->detail.toStdString();
    const qint64 second = port.startedProcess();
    ASSERT_GT(second, 0);
    started.push_back(second);
    EXPECT_NE(second, first);
    EXPECT_TRUE(QTest::qWaitFor([&] { return urlsOf(port.pages()).contains(three); }, 15000));
    EXPECT_FALSE(urlsOf(port.pages()).contains(one));
    EXPECT_TRUE(shell.opened.empty());
}

TEST_F(RealBrowserTest, TheFrontPageFollowsTheDesktopAndARunningBrowserIsAttached) {
    X11WindowSystem desktop;
    options.desktop = &desktop;
    ChromiumBrowser port(options, shell);
    const QString one = http.url("/one");
    auto a = openOn(port, one);
    // No scheme: opened as a web address.
    auto b = openOn(port, http.url("/two").mid(7));
    ASSERT_TRUE(opened(a) && opened(b));
    started.push_back(port.startedProcess());
    const QString two = http.url("/two");
    QString oneWindow, twoWindow;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            oneWindow = browserWindow("Page /one");
            twoWindow = browserWindow("Page /two");
            return !oneWindow.isEmpty() && !twoWindow.isEmpty();
        },
        10000));

    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), oneWindow});
    EXPECT_TRUE(QTest::qWaitFor([&] { return inFront(port) == QSet<QString>{one}; }, 10000));
    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), twoWindow});
    EXPECT_TRUE(QTest::qWaitFor([&] { return inFront(port) == QSet<QString>{two}; }, 10000));

    // Another program in front: no page is.
    QRasterWindow other;
    other.setTitle(QStringLiteral("another program"));
    other.resize(200, 100);
    other.show();
    other.requestActivate();
    EXPECT_TRUE(QTest::qWaitFor([&] { return inFront(port).isEmpty(); }, 10000));

    // A second port on the same profile attaches to the browser already running.
    ChromiumBrowser again(options, shell);
    auto c = openOn(again, http.url("/three"));
    ASSERT_TRUE(opened(c));
    EXPECT_EQ(again.startedProcess(), 0);
    EXPECT_TRUE(running(started.back()));
}

} // namespace
