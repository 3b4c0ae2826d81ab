#include "app/kurumin.h"
#include "app/startup.h"
#include "platform/fake/fakes.h"

#include <gtest/gtest.h>

namespace kurumin {
namespace {

TEST(SingleInstance, SecondInstanceIsRefusedWithTheMessage) {
    fake::Desktop d;
    EXPECT_FALSE(refuseSecondInstance(d.instance, d.messageBox));
    d.instance.another = true;
    EXPECT_TRUE(refuseSecondInstance(d.instance, d.messageBox));
    ASSERT_EQ(d.messageBox.shown.size(), 1u);
    EXPECT_EQ(d.messageBox.shown[0].title, QStringLiteral("Kurumin Error_01 [二重起動の防止]"));
    EXPECT_EQ(d.messageBox.shown[0].text,
              QStringLiteral("このアプリケーションはすでに開かれています。\r\n"
                             "重複起動の防止のため、起動をキャンセルします。"));
}

} // namespace
} // namespace kurumin

#include "panel_fixture.h"

namespace kurumin::testing {
namespace {

using Startup = PanelTest;

TEST_F(Startup, LoadPutsThePanelInItsFixedInitialState) {
    EXPECT_EQ(window.geo, (RectTwips{1000, 100, 2730, 685}));
    EXPECT_TRUE(window.topmost);
    EXPECT_TRUE(d.timers["timCrip"].isActive());
    EXPECT_TRUE(d.timers["timGETURL"].isActive());
    EXPECT_TRUE(d.timers["Timer3"].isActive());
    for (const char* t : {"Cup", "Cdwn", "Timer1", "Timer2", "Timer4"})
        EXPECT_FALSE(d.timers[t].isActive()) << t;
    for (const char* c : {"UPbutton", "DWNbutton", "cmdUP", "Command1", "txtNo", "Label1", "lbl"})
        EXPECT_FALSE(enabled(c)) << c;
    EXPECT_TRUE(isOn(panel.s.AutoBrowse));
    EXPECT_TRUE(isOn(panel.s.LimitOn));
    EXPECT_FALSE(isOn(panel.s.PickMode));
    EXPECT_EQ(panel.c[Ctl::lblAuto].fore, colors::Red);
    EXPECT_EQ(panel.c[Ctl::lblLIMIT].fore, colors::Red);
    EXPECT_EQ(panel.c[Ctl::Label6].toolTip, QStringLiteral("ブラウザページタイトル取得情報なし"));
    // No URL.ini: an empty list, nothing written.
    EXPECT_EQ(text("lblCNT"), QStringLiteral("0"));
    EXPECT_TRUE(enabled("Command3"));
    EXPECT_EQ(d.profile.writes, 0);
}

TEST_F(Startup, ExitCommandsEndTheRunAndSaveNothing) {
    bool quit = false;
    panel.setQuitHandler([&] { quit = true; });
    click("lblEXIT");
    EXPECT_TRUE(quit);
    EXPECT_TRUE(panel.closed());
    EXPECT_FALSE(d.timers["timCrip"].isActive());
    EXPECT_EQ(d.profile.writes, 0);
}

struct KeepFile {
    fake::Desktop d;
    fake::Window window;
    std::unique_ptr<Kurumin> app;
    void write(const char* section, const char* key, const QString& value) {
        d.profile.write(QStringLiteral("/opt/kurumin/URL.ini"), QString::fromLatin1(section),
                        QString::fromLatin1(key), value);
    }
    Panel& start() {
        app = std::make_unique<Kurumin>(d.services);
        app->panel.attachWindow(&window);
        app->load();
        return app->panel;
    }
};

TEST(KeepListLoad, MissingKeysLoadAsEmptyEntriesAndTheCountShowsAsStored) {
    KeepFile f;
    f.write("KeepCount", "Count", QStringLiteral("3"));
    f.write("KeepURL", "Name0", QStringLiteral("表紙"));
    f.write("KeepURL", "URL0", QStringLiteral("http://a/1"));
    f.write("KeepURL", "Name1", QStringLiteral("b"));
    f.write("KeepURL", "URL1", QStringLiteral("http://b/"));
    Panel& p = f.start();
    EXPECT_EQ(p.c[Ctl::lblCNT].caption, QStringLiteral("3"));
    EXPECT_EQ(p.c[Ctl::List1].items, (QStringList{QStringLiteral("表紙"), "b", ""}));
    EXPECT_EQ(p.c[Ctl::List2].items, (QStringList{"http://a/1", "http://b/", ""}));
    EXPECT_EQ(p.c[Ctl::List1].caption, QStringLiteral("表紙"));
    EXPECT_TRUE(p.c[Ctl::Command3].enabled);
}

TEST(KeepListLoad, FiftyEntriesDisableKeep) {
    KeepFile f;
    f.write("KeepCount", "Count", QStringLiteral("50"));
    EXPECT_FALSE(f.start().c[Ctl::Command3].enabled);
}

TEST(KeepListLoad, ACountThatIsNoNumberStopsTheLoadButNotStartUp) {
    KeepFile f;
    f.write("KeepCount", "Count", QStringLiteral("three"));
    Panel& p = f.start();
    EXPECT_EQ(p.c[Ctl::lblCNT].caption, QStringLiteral("three"));
    EXPECT_TRUE(p.c[Ctl::List1].items.isEmpty());
    EXPECT_TRUE(f.d.timers["timCrip"].isActive());
}

// The panel writes at most 50; a count beyond them is believed only as far
// as the file holds entries.
TEST(KeepListLoad, ACountBeyondTheFileFillsFiftyEntriesAndNoMore) {
    auto load = [](const QString& count, int held) {
        KeepFile f;
        f.write("KeepCount", "Count", count);
        for (int i = 0; i < held; ++i) {
            f.d.profile.write(QStringLiteral("/opt/kurumin/URL.ini"), "KeepURL",
                              QStringLiteral("Name%1").arg(i), QStringLiteral("n%1").arg(i));
            f.d.profile.write(QStringLiteral("/opt/kurumin/URL.ini"), "KeepURL",
                              QStringLiteral("URL%1").arg(i), QStringLiteral("u%1").arg(i));
        }
        Panel& p = f.start();
        EXPECT_EQ(p.c[Ctl::lblCNT].caption, count);
        EXPECT_EQ(p.c[Ctl::List1].items.size(), p.c[Ctl::List2].items.size());
        return p.c[Ctl::List1].items;
    };
    const QStringList three = load("2000000000", 3);
    ASSERT_EQ(three.size(), 50);
    EXPECT_EQ(three[2], "n2");
    EXPECT_EQ(three[3], "");
    const QStringList longer = load("2000000000", 70);
    ASSERT_EQ(longer.size(), 70);
    EXPECT_EQ(longer.back(), "n69");
    EXPECT_EQ(load("60", 50).size(), 50);
    EXPECT_EQ(load("1000000", 1200).size(), 1000);
}

} // namespace
} // namespace kurumin::testing
