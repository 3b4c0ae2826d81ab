#include "panel_fixture.h"

namespace kurumin::testing {
namespace {

// The timers that run from the start are proven by every tick the other tests fire.
TEST_F(PanelTest, StartUpLeavesTheRepeatingTimersStoppedAndExitSavesNothing) {
    for (const char* t : {"Cup", "Cdwn", "Timer1", "Timer2", "Timer4"})
        EXPECT_FALSE(d.timers[t].isActive()) << t;
    bool quit = false;
    panel.setQuitHandler([&] { quit = true; });
    click("lblEXIT");
    EXPECT_TRUE(quit && panel.closed());
    EXPECT_FALSE(d.timers["timCrip"].isActive());
    EXPECT_EQ(d.profile.writes, 0);
}

// Start-up over a URL.ini holding the count and the first `held` entries.
QStringList loadList(const QString& count, int held, bool keepEnabled) {
    PanelRig b;
    const QString ini = QStringLiteral("/opt/kurumin/URL.ini");
    b.d.profile.write(ini, "KeepCount", "Count", count);
    for (int i = 0; i < held; ++i) {
        const QString n = QString::number(i);
        b.d.profile.write(ini, "KeepURL", "Name" + n, "n" + n);
        b.d.profile.write(ini, "KeepURL", "URL" + n, "u" + n);
    }
    b.app.load();
    EXPECT_EQ(b.text("lblCNT"), count); // shown as stored
    EXPECT_EQ(b.enabled("Command3"), keepEnabled) << qPrintable(count);
    EXPECT_TRUE(b.d.timers["timCrip"].isActive());
    const QStringList names = b.panel.c[Ctl::List1].items;
    EXPECT_EQ(b.panel.c[Ctl::List2].items, QStringList(names).replaceInStrings("n", "u"));
    EXPECT_EQ(b.panel.c[Ctl::List1].caption, names.value(0));
    return names;
}

// The panel writes at most 50; a count beyond them is believed only as far as
// the file holds entries, and one that is no number stops the load, not start-up.
TEST(KeepListLoad, MissingKeysLoadAsEmptyEntriesAndABadCountLoadsNothing) {
    EXPECT_EQ(loadList("3", 2, true), (QStringList{"n0", "n1", ""}));
    EXPECT_EQ(loadList("50", 0, false).size(), 50);
    EXPECT_TRUE(loadList("three", 2, true).isEmpty());
    const QStringList three = loadList("2000000000", 3, false);
    ASSERT_EQ(three.size(), 50);
    EXPECT_EQ(three.mid(2, 2), (QStringList{"n2", ""}));
    const QStringList longer = loadList("2000000000", 70, false);
    ASSERT_EQ(longer.size(), 70);
    EXPECT_EQ(longer.back(), "n69");
    EXPECT_EQ(loadList("60", 50, false).size(), 50);
    EXPECT_EQ(loadList("1000000", 1200, false).size(), 1000);
}

} // namespace
} // namespace kurumin::testing
