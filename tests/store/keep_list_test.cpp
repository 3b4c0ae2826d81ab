#include "panel_fixture.h"
#include "platform/profile_file.h"
#include "store/history.h"
#include "store/keep_list.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace kurumin::testing {
namespace {

const QString kIni = QStringLiteral("/opt/kurumin/URL.ini");

class KeepList : public PanelTest {
  protected:
    void capture(const QString& url, const QString& title) {
        d.windows.foreground = 0x5;
        d.browser.open = {{0, url, title, true}};
        tick("timGETURL");
    }
    QString stored(const char* section, const QString& key) {
        return d.profile.read(kIni, QString::fromLatin1(section), key, QStringLiteral("<none>"));
    }
    QStringList names() { return panel.c[Ctl::List1].items; }
};

TEST_F(KeepList, KeepSavesUnderTheTypedNameOrTheTitleAndTheFileFollowsAtOnce) {
    click("Command3");
    EXPECT_EQ(d.messageBox.lastTitle(), QStringLiteral("Kurumin　Erroｒ_07"));
    EXPECT_EQ(d.messageBox.shown.back().text,
              QStringLiteral("URLが取得できません。\r\nKeepするブラウザのウィンドウをアクティブ"
                             "にした後\r\nもう一度[KEEP]ボタンを押して下さい。"));
    EXPECT_EQ(d.profile.commits, 0);

    capture("http://a/1", "Page A");
    click("Command3");
    setText("Text1", QStringLiteral("表紙"));
    capture("http://b/2", "Page B");
    click("Command3");
    EXPECT_EQ(names(), (QStringList{"Page A", QStringLiteral("表紙")}));
    EXPECT_EQ(panel.c[Ctl::List2].items, (QStringList{"http://a/1", "http://b/2"}));
    EXPECT_EQ(text("Text1"), "");
    EXPECT_EQ(text("lblCNT"), "2");
    EXPECT_EQ(stored("KeepCount", "Count"), "2");
    EXPECT_EQ(stored("KeepURL", "Name1"), QStringLiteral("表紙"));
    EXPECT_EQ(stored("KeepURL", "URL1"), "http://b/2");
    EXPECT_EQ(d.profile.commits, 2); // one whole write a press
}

TEST_F(KeepList, TheFiftiethKeepDisablesKeepAndADelEnablesItAgain) {
    for (int i = 0; i < 50; ++i) {
        capture(QStringLiteral("http://s/%1").arg(i), QStringLiteral("p%1").arg(i));
        click("Command3");
    }
    EXPECT_FALSE(enabled("Command3"));
    panel.selectItem(Ctl::List1, 3);
    d.messageBox.answers = {MsgResult::Cancel};
    click("Command4");
    EXPECT_EQ(names().size(), 50);
    click("Command4");
    EXPECT_EQ(d.messageBox.shown.back().title, QStringLiteral("「Kurumin」確認メッセージ"));
    EXPECT_EQ(d.messageBox.shown.back().buttons, MsgButtons::OkCancel);
    EXPECT_EQ(names().size(), 49);
    EXPECT_TRUE(enabled("Command3"));
    EXPECT_EQ(stored("KeepURL", "Name3"), "p4"); // renumbered
    EXPECT_EQ(stored("KeepURL", "URL48"), "http://s/49");
    EXPECT_EQ(stored("KeepURL", "Name49"), "<none>"); // no stale key
    // Nothing selected now: DEL removes nothing.
    click("Command4");
    EXPECT_EQ(names().size(), 49);
}

TEST_F(KeepList, AFileThatCannotBeWrittenIsReportedAndTheListKeptInMemory) {
    d.profile.fail = true;
    capture("http://a/1", "A");
    click("Command3");
    EXPECT_EQ(d.messageBox.lastTitle(), "Kurumin Error_14");
    EXPECT_EQ(names(), QStringList{"A"});
}

TEST_F(KeepList, BrowseOpensTheSelectedWebEntryAndNeverAScript) {
    panel.c[Ctl::List1].items = {"a", "s", "f"};
    panel.c[Ctl::List2].items = {"http://a/", "javascript:alert(1)", "file:///etc/passwd"};
    click("Command2"); // none selected
    for (int i = 0; i < 3; ++i) {
        panel.selectItem(Ctl::List1, i);
        click("Command2");
    }
    answer();
    EXPECT_EQ(d.browser.opened(), QStringList{"http://a/"});
    EXPECT_TRUE(d.messageBox.shown.empty());
}

TEST(KeepListFile, TheRealFileReadsBackByteForByteAndAHostileTitleStaysOneLine) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("URL.ini");
    ProfileFile file;
    ASSERT_TRUE(file.apply(ini, keepListEdits({"A", "evil\r\n[KeepCount]\r\nCount=99\0x"},
                                              {"http://a/", "http://e/"}, false)));
    ASSERT_TRUE(file.apply(ini, keepListEdits({"A"}, {"http://a/"}, true)));
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("[KeepCount]\r\nCount=1\r\n[KeepURL]\r\nName0=A\r\n"
                                      "URL0=http://a/\r\n"));
    ASSERT_TRUE(file.apply(ini, keepListEdits({"A", "evil\r\n[KeepCount]\r\nCount=99"},
                                              {"http://a/", "http://e/"}, true)));
    EXPECT_EQ(file.read(ini, "KeepCount", "Count", ""), "2");
    EXPECT_EQ(file.read(ini, "KeepURL", "Name1", ""), "evil  [KeepCount]  Count=99");
    // A list emptied leaves a count of 0 and no list section.
    ASSERT_TRUE(file.apply(ini, keepListEdits({}, {}, true)));
    f.close();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("[KeepCount]\r\nCount=0\r\n"));
}

class History : public KeepList {};

TEST_F(History, RecAndTrecAppendQuotedRecordsToTodaysFile) {
    click("Label9");
    EXPECT_EQ(d.messageBox.lastTitle(), QStringLiteral("Kurumin　Erroｒ_12"));
    capture("http://a/\"q\"", "Title \"x\"");
    panel.mouseDown(Ctl::Label9, MouseButton::Left);
    EXPECT_EQ(panel.c[Ctl::Label9].fore, colors::Yellow);
    panel.mouseUp(Ctl::Label9, MouseButton::Left);
    EXPECT_EQ(panel.c[Ctl::Label9].fore, colors::PressedGreen);
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
}

TEST_F(History, AFolderThatCannotBeWrittenGivesError13InEachWording) {
    d.textAppend.fail = true;
    capture("http://a/", "A");
    click("Label9");
    click("Label6");
    ASSERT_EQ(titles(), (QStringList{"Kurumin Error_13", "Kurumin Error_13"}));
    EXPECT_TRUE(d.messageBox.shown[0].text.contains(QStringLiteral("「REC」")));
    EXPECT_TRUE(d.messageBox.shown[1].text.contains(QStringLiteral("「ＲＥＣ」")));
}

} // namespace
} // namespace kurumin::testing
