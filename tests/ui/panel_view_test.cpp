// The panel's widgets on a real X display, driven with the doubles behind them.

#include "panel_fixture.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/toolkit.h"
#include "ui/panel_view.h"
#include "ui/step_window_view.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QSet>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

namespace kurumin::testing {
namespace {

class ViewTest : public ::testing::Test {
  protected:
    ViewTest() {
        view.move(200, 150);
        panel.attachWindow(&view);
        app.load();
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    QWidget* w(const char* name) { return view.widget(QString::fromLatin1(name)); }
    // What a screen reader or an AT-SPI client does to press a control.
    static bool pressAccessibly(QWidget* widget) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
        if (!a || !a->actionInterface()) return false;
        if (!a->actionInterface()->actionNames().contains(
                QAccessibleActionInterface::pressAction()))
            return false;
        a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        // The press is animated: the click lands a moment later.
        QTest::qWait(250);
        return true;
    }

    fake::Desktop d;
    StepWindowFactory stepWindows; // the real floating windows
    Kurumin app{d.services, {stepWindows, d.about}};
    Panel& panel = app.panel;
    PanelView view{panel};
};

TEST_F(ViewTest, EveryClickableControlIsNamedAndPressable) {
    int clickable = 0;
    for (const Control& c : panel.c) {
        const QString name = controlName(c.id);
        // A disabled control rightly offers no press.
        if (!c.clickable || !c.enabled || !view.widget(name)) continue;
        ++clickable;
        QWidget* widget = view.widget(name);
        EXPECT_FALSE(widget->accessibleName().isEmpty()) << qPrintable(name);
        EXPECT_NE(widget->focusPolicy() & Qt::TabFocus, 0) << qPrintable(name);
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
        ASSERT_TRUE(a && a->actionInterface()) << qPrintable(name);
        EXPECT_TRUE(
            a->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()))
            << qPrintable(name);
    }
    EXPECT_GT(clickable, 20);
}

TEST_F(ViewTest, InputReachesTheModelAndTheModelIsShown) {
    // A press through the accessibility interface runs the command.
    const QString limit = panel.c[Ctl::lblLIMIT].caption;
    ASSERT_TRUE(pressAccessibly(w("lblLIMIT")));
    EXPECT_NE(panel.c[Ctl::lblLIMIT].caption, limit);
    EXPECT_EQ(static_cast<QAbstractButton*>(w("lblLIMIT"))->text(), panel.c[Ctl::lblLIMIT].caption);

    // The keyboard reaches it too.
    w("lblLIMIT")->setFocus();
    QTest::keyClick(w("lblLIMIT"), Qt::Key_Space);
    EXPECT_EQ(panel.c[Ctl::lblLIMIT].caption, limit);

    d.clipboard.copyFromElsewhere(QStringLiteral("http://s/p[01-20].jpg"));
    auto* now = static_cast<QLineEdit*>(w("txtNow"));
    EXPECT_EQ(now->text(), QStringLiteral("http://s/p[01-20].jpg"));
    EXPECT_EQ(static_cast<QLineEdit*>(w("txtLimH"))->text(), QStringLiteral("20"));

    // Typing is the model's text at once.
    auto* no = static_cast<QLineEdit*>(w("txtNo"));
    no->setFocus();
    no->selectAll();
    QTest::keyClicks(no, QStringLiteral("07"));
    EXPECT_EQ(panel.c[Ctl::txtNo].caption, QStringLiteral("07"));
    EXPECT_FALSE(now->isReadOnly());
    // Megabytes copied: the box shows their start and takes no edit that would drop the rest.
    d.clipboard.copyFromElsewhere(QString(1 << 20, u'x'));
    EXPECT_TRUE(now->isReadOnly());
    EXPECT_TRUE(now->text().size() < 10000 && now->text().startsWith(u'x'));
    EXPECT_EQ(panel.c[Ctl::txtNow].caption.size(), 1 << 20);
    d.clipboard.copyFromElsewhere(QStringLiteral("http://s/q.jpg"));
    EXPECT_FALSE(now->isReadOnly());
}

// What a screen reader or an input tool sets counts as typed; the focus
// leaving, which clears a line edit's selection, does not.
TEST_F(ViewTest, TextAndSelectionSetFromOutsideThePanelReachItsState) {
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    w("Text2")->setFocus();
    const auto accessible = [](QWidget* widget) {
        return QAccessible::queryAccessibleInterface(widget);
    };
    accessible(w("Text1"))->editableTextInterface()->insertText(0, QStringLiteral("表紙"));
    EXPECT_EQ(panel.c[Ctl::Text1].caption, QStringLiteral("表紙"));

    d.clipboard.copyFromElsewhere(QStringLiteral("http://s/img007.jpg"));
    ASSERT_FALSE(w("txtNow")->hasFocus());
    accessible(w("txtNow"))->textInterface()->setSelection(0, 13, 16);
    const Control& now = panel.c[Ctl::txtNow];
    EXPECT_EQ(std::pair(now.selStart, now.selLength), std::pair(13, 3));
    w("txtNow")->setFocus();
    w("txtNo")->setFocus();
    EXPECT_EQ(now.selLength, 3);
    panel.click(Ctl::lblCUT);
    EXPECT_EQ(panel.c[Ctl::txtNo].caption, QStringLiteral("7"));

    // Typed over the keep list: no entry selected, and typing goes on where it was.
    panel.c[Ctl::List1].items = QStringList{QStringLiteral("a"), QStringLiteral("b")};
    panel.selectItem(Ctl::List1, 1);
    panel.notify();
    QLineEdit* typed = static_cast<QComboBox*>(w("List1"))->lineEdit();
    typed->setFocus();
    typed->setCursorPosition(0);
    QTest::keyClick(typed, Qt::Key_X);
    panel.notify();
    EXPECT_EQ(std::pair(panel.c[Ctl::List1].caption, panel.c[Ctl::List1].listIndex),
              std::pair(QStringLiteral("xb"), -1));
    EXPECT_EQ(std::pair(typed->text(), typed->cursorPosition()),
              std::pair(QStringLiteral("xb"), 1));

    // A page's title is shown as it is, markup and all.
    const QString title = QStringLiteral("<b>くるみ</b>  &amp;\n<i>");
    panel.c[Ctl::Label6].toolTip = title;
    panel.notify();
    const QString tip = w("Label6")->toolTip();
    QTextDocument shown;
    shown.setHtml(tip);
    EXPECT_EQ(Qt::mightBeRichText(tip) ? shown.toPlainText() : tip, title);
    EXPECT_EQ(w("Label6")->accessibleDescription(), title);
}

TEST_F(ViewTest, ATuckedPanelShowsOnlyWhatStaysOnScreenAndKnowsWhereItStands) {
    const RectTwips tucked{-2730, 1500, 2970, 690}; // whole pixels
    panel.PanelInPlace = False;
    view.setGeometry(tucked);
    EXPECT_EQ(view.geometry(), tucked);
    const qreal dpi = view.screen()->logicalDotsPerInchX();
    const QRect shown = view.QWidget::geometry();
    EXPECT_EQ(shown.left(), view.screen()->geometry().left());
    EXPECT_EQ(view.mask().boundingRect(), QRect(0, 0, qRound(240 * dpi / 1440), shown.height()));
    // The strip's own left edge, 2745 twips into the panel, is 15 twips into the window.
    EXPECT_EQ(w("lbl10")->x(), qRound(2745 * dpi / 1440) - qRound(2730 * dpi / 1440));

    const RectTwips back{1500, 1500, 2730, 690};
    panel.PanelInPlace = True;
    view.setGeometry(back);
    EXPECT_EQ(view.geometry(), back);
    EXPECT_TRUE(view.mask().isEmpty());
    EXPECT_EQ(w("lbl10")->x(), qRound(2745 * dpi / 1440));
}

// The Enter that closes a box, or the next, must not press an exit control
// the focus fell onto; only one the user tabbed to ends the run.
TEST_F(ViewTest, AfterABoxTheFocusIsBackAndOnlyATabbedToExitEndsTheRunByKey) {
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    d.messageBox.whileOpen = [] {
        QTimer::singleShot(200, [] {
            if (QWidget* box = QApplication::activeModalWidget())
                QTest::keyClick(box, Qt::Key_Return);
        });
        QtMessageBox().show(QStringLiteral("x"), QStringLiteral("Kurumin"), MsgButtons::Ok,
                            MsgIcon::Exclamation);
    };
    panel.run("test", [&] { panel.message(QStringLiteral("x"), QStringLiteral("Kurumin")); });
    EXPECT_EQ(d.messageBox.shown.size(), 1u);
    EXPECT_EQ(view.focusWidget(), w("txtNow"));
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));

    QStringList chain;
    for (QWidget* f = view.nextInFocusChain(); f != &view; f = f->nextInFocusChain())
        if (f->focusPolicy() & Qt::TabFocus && f->parentWidget() == &view) chain << f->objectName();
    EXPECT_EQ(chain.mid(chain.size() - 3), (QStringList{"Command6(0)", "Command6(1)", "lblEXIT"}));

    for (const char* exit : {"Command6(0)", "lblEXIT", "Command6(1)"}) {
        w(exit)->setFocus(Qt::ActiveWindowFocusReason);
        QTest::keyClick(w(exit), Qt::Key_Return);
        QTest::keyClick(w(exit), Qt::Key_Space);
        EXPECT_FALSE(panel.closed()) << exit;
    }
    w("txtNow")->setFocus();
    w("Command6(1)")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w("Command6(1)"), Qt::Key_Return);
    QTest::qWait(300); // the press is animated
    EXPECT_TRUE(panel.closed());
}

// A double click reaches a label as one click, a command button as two.
TEST_F(ViewTest, ADoubleClickOnALabelActsOnce) {
    d.clipboard.copyFromElsewhere(QStringLiteral("http://s/p[01-20].jpg"));
    panel.click(Ctl::Label1);
    // As the pointer gives it: press, release, the second press, release.
    const auto doubleClick = [](QWidget* on) {
        QTest::mouseClick(on, Qt::LeftButton);
        QTest::mouseDClick(on, Qt::LeftButton);
        QTest::mouseRelease(on, Qt::LeftButton);
    };
    doubleClick(w("lblAuto"));
    EXPECT_FALSE(isOn(panel.s.AutoBrowse));
    doubleClick(w("UPbutton"));
    EXPECT_EQ(panel.c[Ctl::txtNo].caption, QStringLiteral("03"));
}

// The toolkit speaks the panel's language, and the file dialog shows each
// filter once, with every file for "すべて".
TEST(Toolkit, JapaneseTextsAndTheHistoryDialogsFilters) {
    ASSERT_TRUE(installToolkitTranslation(*QCoreApplication::instance()));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), u"キャンセル");
    EXPECT_EQ(qtNameFilter(QStringLiteral("履歴テキスト(*.txt)|*.txt|すべて(*.*)|*.*")),
              QStringLiteral("履歴テキスト(*.txt);;すべて(*)"));
    EXPECT_EQ(qtNameFilter(QStringLiteral("Text|*.txt;*.log")), "Text (*.txt *.log)");
}

// Hovering repaints the labels whose colour changed and nothing else.
TEST_F(ViewTest, AHoverRepaintsOnlyTheLabelsItRecolours) {
    struct Paints : QObject {
        QSet<QString> painted;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::Paint) painted << o->objectName();
            return false;
        }
    } paints;
    for (QWidget* child : view.findChildren<QWidget*>())
        child->installEventFilter(&paints);
    panel.enable(Ctl::lblCUT);
    panel.mouseMove(Ctl::lblKeep);
    QTest::qWait(100);
    paints.painted.clear();
    panel.mouseMove(Ctl::lblKeep);
    QTest::qWait(100);
    EXPECT_TRUE(paints.painted.isEmpty()) << paints.painted.values().join(' ').toStdString();
    panel.mouseMove(Ctl::lblCUT);
    QTest::qWait(100);
    EXPECT_EQ(paints.painted, QSet<QString>{QStringLiteral("lblCUT")});
}

// The clipboard is fetched once per change; a change by another program must
// still be seen at the next read.
TEST(QtClipboardTest, AnotherProgramsCopyIsSeenAndOwnWritesAtOnce) {
    {
        // Made while another program owns the clipboard: its first read is
        // still out when the panel writes, and must not undo the write.
        QProcess owner;
        owner.start(QStringLiteral(CLIPBOARD_OWNER), {});
        ASSERT_TRUE(owner.waitForReadyRead(5000));
        owner.write("theirs, older\n");
        ASSERT_TRUE(owner.waitForBytesWritten(5000));
        QTest::qWait(100); // it has taken the clipboard again with that text
        QtClipboard early;
        QStringList seen;
        early.setChangeHandler([&] { seen << early.text(); });
        early.setText(QStringLiteral("ours, newer"));
        QTest::qWait(300);
        EXPECT_EQ(early.text(), QStringLiteral("ours, newer"));
        EXPECT_FALSE(seen.contains(QStringLiteral("theirs, older")))
            << seen.join(u'|').toStdString();
        owner.kill();
        owner.waitForFinished();
    }
    QtClipboard clipboard;
    int changes = 0;
    clipboard.setChangeHandler([&] { ++changes; });
    clipboard.setText(QStringLiteral("ours"));
    EXPECT_EQ(clipboard.text(), QStringLiteral("ours"));

    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-selection"), QStringLiteral("clipboard")});
    ASSERT_TRUE(xclip.waitForStarted());
    xclip.write("theirs");
    xclip.closeWriteChannel();
    QTRY_COMPARE_WITH_TIMEOUT(clipboard.text(), QStringLiteral("theirs"), 5000);
    EXPECT_GE(changes, 1);
    xclip.kill();
    xclip.waitForFinished();

    // Large enough that the owner sends it in pieces.
    const QString big = QString(2'000'000, u'あ');
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-selection"), QStringLiteral("clipboard")});
    ASSERT_TRUE(xclip.waitForStarted());
    xclip.write(big.toUtf8());
    xclip.closeWriteChannel();
    QTRY_COMPARE_WITH_TIMEOUT(clipboard.text().size(), big.size(), 10000);
    EXPECT_EQ(clipboard.text(), big);

    clipboard.clear();
    EXPECT_FALSE(clipboard.hasText());
    xclip.kill();
    xclip.waitForFinished();
}

// An owner that never answers: nothing waits on it, the text read stays the
// last one given, and the next real copy is taken up.
TEST(QtClipboardTest, AnOwnerThatNeverAnswersStallsNothing) {
    QtClipboard clipboard;
    clipboard.setText(QStringLiteral("before"));
    QProcess hung;
    hung.start(QStringLiteral(CLIPBOARD_OWNER), {QStringLiteral("--never-answer")});
    ASSERT_TRUE(hung.waitForReadyRead(5000));

    // The UI thread's heartbeat over three seconds of reads.
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, longest = 0;
    while (clock.elapsed() < 3000) {
        EXPECT_EQ(clipboard.text(), QStringLiteral("before"));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    }
    std::printf("longest stall with a hung clipboard owner: %lld ms\n",
                static_cast<long long>(longest));
    // A waiting read would stall for the clipboard's timeout, seconds long.
    EXPECT_LT(longest, 1000);

    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-selection"), QStringLiteral("clipboard")});
    ASSERT_TRUE(xclip.waitForStarted());
    xclip.write("after");
    xclip.closeWriteChannel();
    QTRY_COMPARE_WITH_TIMEOUT(clipboard.text(), QStringLiteral("after"), 5000);
    hung.kill();
    xclip.kill();
    hung.waitForFinished();
    xclip.waitForFinished();
}

// A program that took the clipboard after the panel's last event keeps it:
// the write is refused, and said so. Once the panel has seen the change, its
// writes go through again.
TEST(QtClipboardTest, AClipboardTakenUnseenRefusesTheWriteAndSaysSo) {
    QtClipboard clipboard;
    clipboard.setText(QStringLiteral("ours"));
    QTest::qWait(100);
    QProcess owner; // waiting for it runs no event of the panel's
    owner.start(QStringLiteral(CLIPBOARD_OWNER), {});
    ASSERT_TRUE(owner.waitForReadyRead(5000));
    EXPECT_THROW(clipboard.setText(QStringLiteral("refused")), PlatformFailure);
    EXPECT_THROW(clipboard.clear(), PlatformFailure);
    QTest::qWait(200);
    EXPECT_NO_THROW(clipboard.setText(QStringLiteral("again")));
    EXPECT_EQ(clipboard.text(), QStringLiteral("again"));
    // Qt's answer to the fetch still out must reach this reader, not a later
    // one that reuses its window id.
    QTest::qWait(200);
    owner.kill();
    owner.waitForFinished();
}

} // namespace
} // namespace kurumin::testing

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
