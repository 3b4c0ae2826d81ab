#include "platform/browser_link/browser_choice.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <future>

using namespace kurumin;

namespace {

class BrowserChoiceTest : public ::testing::Test {
  protected:
    // A program at `path` under the folder; executable unless told.
    QString program(const QString& path, bool executable = true) {
        const QString file = dir.filePath(path);
        EXPECT_TRUE(writeFile(file, {}));
        QFile::setPermissions(file,
                              executable ? QFile::ReadOwner | QFile::ExeOwner : QFile::ReadOwner);
        return file;
    }
    QString link(const QString& path, const QString& target) {
        const QString file = dir.filePath(path);
        QDir().mkpath(QFileInfo(file).path());
        EXPECT_TRUE(QFile::link(target, file));
        return file;
    }
    // "Firefox <program>", "Chromium family <program>", or "opener" with why.
    QString choose(const QString& browser, const DesktopDefault& desktop = {}) {
        const BrowserChoice c =
            chooseBrowser(browser, desktop, {"chromium", "google-chrome"}, {"firefox-esr"},
                          [&](const QString& name) { return installed.value(name); });
        if (c.program.isEmpty()) return (c.undrivable ? "opener: " : "none: ") + c.reason;
        return (c.family == BrowserFamily::Firefox ? "Firefox " : "Chromium ") + c.program;
    }
    QTemporaryDir dir;
    QMap<QString, QString> installed;
};

TEST_F(BrowserChoiceTest, TheNamedProgramIsFollowedToWhatItRunsAndDrivenAsItsFamily) {
    const QString esr = program("usr/lib/firefox-esr/firefox-esr");
    const QString alternative = link("usr/bin/x-www-browser", link("etc/alternatives/x", esr));
    EXPECT_EQ(choose(alternative), "Firefox " + alternative);
    EXPECT_EQ(choose(alternative + " %s:chromium"), "Firefox " + alternative);
    EXPECT_EQ(choose({}, {"debian.desktop", "env A=1 \"" + alternative + "\" %u", {}}),
              "Firefox " + alternative);
    const QString vivaldi = program("opt/vivaldi/vivaldi");
    EXPECT_EQ(choose(vivaldi), "Chromium " + vivaldi);
    const QString build = program("opt/thing/thing");
    program("opt/thing/chrome_100_percent.pak", false);
    EXPECT_EQ(choose(build), "Chromium " + build);
    installed["x-www-browser"] = alternative;
    EXPECT_EQ(choose("x-www-browser"), "Firefox " + alternative);
}

TEST_F(BrowserChoiceTest, ANamedBrowserThatCannotBeDrivenSendsPagesToTheOpenerAndSaysWhy) {
    installed = {{"chromium", program("bin/chromium")}, {"flatpak", program("bin/flatpak")}};
    const QString snap = program("snap/bin/firefox");
    EXPECT_TRUE(choose(snap).startsWith("opener: BROWSER names " + snap + ", which is a confined"));
    EXPECT_TRUE(choose({}, {"org.mozilla.firefox.desktop", "flatpak run org.mozilla.firefox", {}})
                    .contains("which is a confined"));
    const QString missing = choose(dir.filePath("missing"));
    EXPECT_TRUE(missing.contains("which is not installed; pages go to the desktop's opener") &&
                missing.endsWith("and the page in front is not followed"));
    EXPECT_TRUE(choose(dir.path()).contains("which is a folder"));
    EXPECT_TRUE(choose(program("firefox", false)).contains("which is not executable"));
    EXPECT_TRUE(choose(program("bin/w3m")).contains("which is not a browser Kurumin can drive"));
    EXPECT_TRUE(choose("\x1b[2Jfirefox").contains("names \\u001b[2Jfirefox,"));
}

TEST_F(BrowserChoiceTest, WhenNoneIsNamedTheFirstInstalledChromiumFirstElseNone) {
    EXPECT_EQ(choose({}), "none: no browser Kurumin can drive is installed; pages go to the "
                          "desktop's opener");
    installed["firefox-esr"] = program("bin/firefox-esr");
    installed["google-chrome"] = program("snap/bin/google-chrome"); // confined: passed over
    EXPECT_EQ(choose({}, {{}, {}, "hung"}), "Firefox " + installed["firefox-esr"]);
    installed["chromium"] = program("bin/chromium");
    EXPECT_EQ(choose({}, {"x.desktop", {}, "no Exec line"}), "Chromium " + installed["chromium"]);
}

// Opens answered by a later event, with `answer`.
struct AnsweringBrowser : BrowserPort {
    explicit AnsweringBrowser(QStringList& asked, OpenResult answer = {})
        : asked_(asked), answer_(answer) {}
    void openPage(const QString& url, OpenCallback done) override {
        asked_ << url;
        QTimer::singleShot(0, [answer = answer_, done] { done(answer); });
    }
    std::vector<BrowserPage> pages() override { return {{1, "u", "t", true}}; }
    QStringList& asked_;
    OpenResult answer_;
};

TEST(ChosenBrowser, AHungDesktopIsNotWaitedForAndABrowserThatNeverStartsIsLeftForTheOpener) {
    std::promise<void> release;
    auto hung = release.get_future().share();
    fake::Shell opener;
    QStringList asked;
    int notices = 0;
    ChosenBrowser chosen(
        [hung] {
            hung.wait();
            return DesktopDefault{};
        },
        [](const DesktopDefault& d) {
            return BrowserChoice{{}, "/bin/chromium", d.problem, false};
        },
        [&](const BrowserChoice&) {
            return std::make_unique<AnsweringBrowser>(
                asked, OpenResult::failed(OpenFailure::StartFailed, "did not listen"));
        },
        opener, 50);
    chosen.setNotice([&] { ++notices; });
    EXPECT_TRUE(chosen.pages().empty());
    auto first = openOn(chosen, "a.example/1");
    ASSERT_TRUE(settled(first));
    EXPECT_TRUE(first->result->ok());
    EXPECT_EQ(chosen.choice()->reason, "the desktop did not say which browser in 50 ms");
    EXPECT_EQ(asked, QStringList{"a.example/1"});
    auto second = openOn(chosen, "a.example/2");
    auto refused = openOn(chosen, "javascript:alert(1)");
    ASSERT_TRUE(settled(second, refused));
    EXPECT_EQ(asked.size(), 1);
    EXPECT_TRUE(chosen.pages().empty());
    ASSERT_EQ(opener.opened.size(), 2u);
    EXPECT_EQ(opener.opened[1][0], "http://a.example/2");
    EXPECT_EQ(refused->result->failure, OpenFailure::Refused);
    EXPECT_EQ(notices, 1);
    release.set_value();
}

TEST(ChosenBrowser, TheChoiceIsMadeOnceAndItsBrowserServesTheOpensMadeMeanwhile) {
    fake::Shell opener;
    QStringList asked;
    int made = 0;
    ChosenBrowser chosen(
        [] {
            return DesktopDefault{"c.desktop", "chromium", {}};
        },
        [](const DesktopDefault& d) {
            return BrowserChoice{{}, d.exec, d.entry, false};
        },
        [&](const BrowserChoice&) {
            ++made;
            return std::make_unique<AnsweringBrowser>(asked);
        },
        opener);
    auto opened = openOn(chosen, "http://b.example/");
    chosen.begin();
    ASSERT_TRUE(settled(opened));
    EXPECT_TRUE(opened->result->ok());
    EXPECT_EQ(chosen.pages().size(), 1u);
    EXPECT_EQ(made, 1);
    EXPECT_TRUE(opener.opened.empty());
}

} // namespace
