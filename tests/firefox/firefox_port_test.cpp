#include "platform/firefox/firefox_browser.h"
#include "platform/firefox/firefox_launch.h"

#include "fake_bidi.h"
#include "test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kurumin;

namespace {

QJsonObject tab(const QString& id, const QString& url, const QJsonValue& parent = QJsonValue()) {
    return {{"context", id}, {"url", url}, {"parent", parent}};
}

TEST(FirefoxLaunch, TheProfileIsReadiedAndOnlyLoopbackEndpointsAreFollowed) {
    EXPECT_EQ(parseMarionettePort("41234\n").value_or(QUrl()).port(), 41234);
    for (const char* bad : {"", "0", "70000", "+2828", "2828x", "0x10"})
        EXPECT_FALSE(parseMarionettePort(bad)) << bad;
    EXPECT_EQ(parseSessionSocket("ws://localhost:41234/session/ab-12").value_or(QUrl()).toString(),
              "ws://127.0.0.1:41234/session/ab-12");
    for (const char* bad : {"", "ws://evil.example:1/session/a", "ws://127.0.0.1:1/other/a",
                            "http://127.0.0.1:1/session/a", "ws://127.0.0.1/session/a",
                            "ws://127.0.0.1:1/session/a/../../b", "ws://u@127.0.0.1:1/session/a"})
        EXPECT_FALSE(parseSessionSocket(bad)) << bad;

    QTemporaryDir profile;
    QFile stale(marionettePortFile(profile.path()));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly) && stale.write("{}") == 2);
    stale.close();
    BrowserConnection connection;
    FirefoxProtocol protocol(connection);
    ASSERT_TRUE(protocol.prepare(profile.path()));
    EXPECT_FALSE(QFile::exists(marionettePortFile(profile.path())));

    EXPECT_EQ(firefoxLockProcess(profile.path()), 0);
    ASSERT_TRUE(QFile::link("127.0.0.1:+4242", profile.path() + "/lock"));
    EXPECT_EQ(firefoxLockProcess(profile.path()), 4242);
}

TEST(FirefoxProtocolAlone, AStartedBrowsersBlankWindowTakesTheFirstPage) {
    QTemporaryDir profile;
    FakeFirefox fake;
    fake.tree = {tab("W", "about:blank")};
    BrowserConnection connection;
    connection.setRequestTimeout(2000);
    FirefoxProtocol protocol(connection);
    ASSERT_TRUE(protocol.prepare(profile.path()));
    connection.open(fake.url());
    ASSERT_TRUE(soon([&] { return connection.isOpen(); }));
    std::vector<QString> opened;
    for (int i = 0; i < 2; ++i)
        protocol.open(connection, "https://one.example/",
                      [&](const OpenResult& r, const QString& id) {
                          opened.push_back(r.ok() ? id : "failed");
                      });
    ASSERT_TRUE(soon([&] { return opened.size() == 2; }));
    EXPECT_EQ(opened, (std::vector<QString>{"W", "C1"}));
    EXPECT_EQ(fake.withMethod("browsingContext.create").size(), 1u);
}

} // namespace
