#include "panel_fixture.h"

namespace kurumin::testing {
namespace {

class KeepList : public PanelTest {
  protected:
    QString stored(const char* section, const QString& key) {
        return d.profile.read("/opt/kurumin/URL.ini", section, key, "<none>");
    }
};

TEST_F(KeepList, KeepSavesUnderTheTypedNameOrTheTitleAndTheFileFollowsAtOnce) {
    click("Command3");
    EXPECT_EQ(titles(), QStringList{msg::noPageToKeepTitle()});
    capture("http://a/1", "Page A");
    click("Command3");
    setText("Text1", QStringLiteral("表紙"));
    capture("http://b/2", "Page B");
    click("Command3");
    EXPECT_EQ(names() + panel.c[Ctl::List2].items + texts({"Text1", "lblCNT"}),
              (QStringList{"Page A", QStringLiteral("表紙"), "http://a/1", "http://b/2", "", "2"}));
    // The random sessions hold the file to the list after every write.
    EXPECT_EQ(d.profile.commits, 2); // one whole write a press
}

TEST_F(KeepList, TheFiftiethKeepDisablesKeepAndADelEnablesItAgain) {
    for (int i = 0; i < 50; ++i) {
        capture(QStringLiteral("http://s/%1").arg(i), QStringLiteral("p%1").arg(i));
        click("Command3");
    }
    EXPECT_FALSE(enabled("Command3"));
    panel.selectItem(Ctl::List1, 3);
    panel.editText(Ctl::List1, "p3 typed over"); // names no entry
    click("Command4");
    EXPECT_EQ(names().size(), 50);
    panel.selectItem(Ctl::List1, 3);
    d.messageBox.answers = {MsgResult::Cancel};
    click("Command4");
    EXPECT_EQ(names().size(), 50);
    click("Command4");
    EXPECT_EQ(d.messageBox.shown.back().buttons, MsgButtons::OkCancel);
    EXPECT_TRUE(names().size() == 49 && enabled("Command3"));
    // Renumbered, with no stale key left at the end.
    EXPECT_EQ((QStringList{stored("KeepURL", "Name3"), stored("KeepURL", "URL48"),
                           stored("KeepURL", "Name49")}),
              (QStringList{"p4", "http://s/49", "<none>"}));
    click("Command4"); // nothing selected now
    EXPECT_EQ(names().size(), 49);

    // BROWSE opens the selected web entry, never a script or a file.
    panel.c[Ctl::List2].items[0] = "javascript:alert(1)";
    panel.c[Ctl::List2].items[1] = "file:///etc/passwd";
    d.messageBox.shown.clear();
    d.browser.open.clear();
    click("Command2"); // none selected
    for (int i = 0; i < 3; ++i) {
        panel.selectItem(Ctl::List1, i);
        click("Command2");
    }
    panel.editText(Ctl::List1, "");
    click("Command2");
    EXPECT_EQ(opened() + titles(), QStringList{"http://s/2"});
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

// The history fuzzer holds the records to what was captured, one field a line.
TEST_F(KeepList, RecAndTrecWriteToEachDaysFileAndChOrThePickerOpensOne) {
    capture("http://a/\"q\"", "Title \"x\"");
    click("Label9");
    d.clock.date = QDate(2027, 3, 1); // after midnight: the next day's file
    click("Label6");
    EXPECT_EQ(d.textAppend.files["/opt/kurumin/REC/URL-1206.txt"],
              QStringList{"\"http://a/\"q\"\""});
    EXPECT_EQ(d.textAppend.files["/opt/kurumin/REC/URL-0301.txt"],
              (QStringList{"", "\"Title \"x\"\"", "\"http://a/\"q\"\""}));
    click("Label8");
    EXPECT_EQ(d.shell.opened.back(),
              (QStringList{"/opt/kurumin/REC/URL-0301.txt", "/opt/kurumin"}));
    click("Command11"); // the picker cancelled: nothing opened
    ASSERT_EQ(d.fileDialog.asked.size(), 1u);
    EXPECT_EQ(d.fileDialog.asked[0].back(), "/opt/kurumin");
    d.fileDialog.answer = "/opt/kurumin/REC/URL-1206.txt";
    click("Command11");
    EXPECT_EQ(d.shell.opened.back(),
              (QStringList{"/opt/kurumin/REC/URL-1206.txt", "/opt/kurumin"}));

    d.textAppend.fail = true;
    d.messageBox.shown.clear();
    click("Label9");
    click("Label6");
    EXPECT_EQ(titles() << d.messageBox.shown.at(0).text << d.messageBox.shown.at(1).text,
              (QStringList{msg::historyWriteTitle(), msg::historyWriteTitle(),
                           msg::historyWriteText(false), msg::historyWriteText(true)}));
}

} // namespace
} // namespace kurumin::testing
