#include "panel_fixture.h"

namespace kurumin::testing {
namespace {

const QString kPage = QStringLiteral("http://example.com/p/001.jpg");
const QString kArchive = QStringLiteral("https://archive.example/web/");

class ClipboardTools : public PanelTest {
  protected:
    ClipboardTools() {
        copy(kPage);
        answer();
        d.browser.requested.clear();
    }
    QString clipboard() { return d.clipboard.content.value_or(QStringLiteral("<empty>")); }
    bool lampLit() { return panel.c[Ctl::Sh1].back == colors::Yellow; }
};

TEST_F(ClipboardTools, AppendTextBrowsePutsTheAppendTextInFrontOfTheCopiedText) {
    setText("Text2", kArchive);
    panel.s.PickMode = True;
    click("Command5");
    EXPECT_EQ(text("txtNow"), kArchive + kPage);
    EXPECT_EQ(clipboard(), kArchive + kPage);
    EXPECT_EQ(panel.c[Ctl::txtNow].selStart, text("txtNow").size());
    EXPECT_TRUE(lampLit());
    answer();
    EXPECT_EQ(d.browser.requested, std::vector<QString>{kArchive + kPage});
    EXPECT_FALSE(lampLit());
    EXPECT_FALSE(isOn(panel.s.PickMode));
    EXPECT_FALSE(enabled("UPbutton"));

    // The watcher takes the composed text up as newly copied.
    tick("timCrip");
    answer();
    EXPECT_EQ(d.browser.requested.back(), QStringLiteral("http://archive.example/web/") + kPage);

    // Already in front: nothing at all, not even the lamp.
    answer();
    d.browser.requested.clear();
    setText("txtNow", kArchive + "elsewhere");
    click("Command5");
    setText("Text2", "");
    click("Command5");
    EXPECT_TRUE(d.browser.requested.empty());
    EXPECT_FALSE(lampLit());
}

TEST_F(ClipboardTools, AppendTextBrowseWithAutoOffOrAClipboardHeldOpen) {
    setText("Text2", kArchive);
    click("lblAuto");
    click("Command5");
    EXPECT_EQ(text("txtNow"), kArchive + kPage);
    EXPECT_FALSE(lampLit());
    EXPECT_TRUE(d.browser.requested.empty());

    click("lblAuto");
    setText("txtNow", "");
    d.clipboard.content = kPage;
    d.clipboard.refuseWrites = true;
    click("Command5");
    answer();
    EXPECT_EQ(d.browser.requested, std::vector<QString>{kArchive + kPage});
    EXPECT_EQ(clipboard(), kPage);
}

TEST_F(ClipboardTools, ReBrowseOpensTheCurrentUrlAgainAndAFailureIsSilent) {
    click("Command10");
    answer();
    EXPECT_EQ(d.browser.requested, std::vector<QString>{kPage});
    EXPECT_EQ(panel.focus(), Ctl::txtNow);

    d.browser.failWith = OpenFailure::StartFailed;
    panel.c[Ctl::Sh1].back = colors::Yellow;
    click("Command10");
    answer();
    EXPECT_TRUE(d.messageBox.shown.empty());
    EXPECT_FALSE(lampLit());
}

TEST_F(ClipboardTools, TheMemoTradesTextWithTheClipboard) {
    setText("txtMemo", "old");
    d.clipboard.content.reset(); // an image: no text
    click("Command7");
    EXPECT_EQ(text("txtMemo"), "old");
    d.clipboard.content = QStringLiteral("from elsewhere");
    d.clipboard.failReads = 1;
    click("Command7");
    EXPECT_EQ(text("txtMemo"), "old");
    click("Command7");
    EXPECT_EQ(text("txtMemo"), "from elsewhere");
    EXPECT_EQ(panel.focus(), Ctl::txtMemo);

    setText("Text2", "> ");
    click("Command9");
    click("Command9");
    EXPECT_EQ(text("txtMemo"), "> > from elsewhere");

    d.clipboard.refuseWrites = true;
    click("Command8");
    EXPECT_EQ(clipboard(), "from elsewhere");
    EXPECT_EQ(text("txtMemo"), "> > from elsewhere");

    // A URL sent from the memo is taken up as if it had been copied.
    d.clipboard.refuseWrites = false;
    setText("txtMemo", "http://other.example/q");
    click("Command8");
    tick("timCrip");
    answer();
    EXPECT_EQ(d.browser.requested, std::vector<QString>{"http://other.example/q"});
}

TEST_F(ClipboardTools, TheHistoryPickerOpensTheChosenFileAndNothingOnCancel) {
    click("Command11");
    const QString folder = d.program.dataFolder();
    ASSERT_EQ(d.fileDialog.asked.size(), 1u);
    EXPECT_EQ(
        d.fileDialog.asked[0],
        (QStringList{"履歴テキストの確認", "履歴テキスト(*.txt)|*.txt|すべて(*.*)|*.*", folder}));
    EXPECT_TRUE(d.shell.opened.empty());

    d.fileDialog.answer = folder + "/REC/URL-1206.txt";
    click("Command11");
    ASSERT_EQ(d.shell.opened.size(), 1u);
    EXPECT_EQ(d.shell.opened[0], (QStringList{folder + "/REC/URL-1206.txt", folder}));
}

TEST_F(ClipboardTools, ClsForgetsTheUrlsSoTheSameCopyIsTakenUpAgain) {
    click("lblAccess");
    EXPECT_EQ(text("txtNow"), "");
    EXPECT_EQ(panel.s.lblOldURL, "");
    EXPECT_EQ(panel.s.lblURLright, "");
    EXPECT_FALSE(d.clipboard.content.has_value());

    copy(kPage);
    answer();
    EXPECT_EQ(d.browser.requested, std::vector<QString>{kPage});

    d.clipboard.refuseWrites = true;
    click("lblAccess");
    EXPECT_EQ(text("txtNow"), "");
}

} // namespace
} // namespace kurumin::testing
