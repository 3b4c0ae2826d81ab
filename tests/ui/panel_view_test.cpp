// The panel's widgets on a real X display, driven with the doubles behind them, and the
// X11 ports under them: the clipboard and the window in front.

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

QAccessibleInterface* accessible(QWidget* w) {
    return QAccessible::queryAccessibleInterface(w);
}

struct RealStepWindows {
    StepWindowFactory stepWindows;
};

class ViewTest : public ::testing::Test, RealStepWindows, public PanelRig {
  protected:
    ViewTest() : PanelRig({.stepWindows = &stepWindows}) {
        view.move(200, 150);
        panel.attachWindow(&view);
        app.load();
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    template <typename W = QWidget> W* w(const char* name) {
        return static_cast<W*>(view.widget(QString::fromLatin1(name)));
    }
    const QString& caption(Ctl c) { return panel.c[c].caption; }
    void activate() {
        view.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    }

    PanelView view{panel};
};

TEST_F(ViewTest, EveryClickableControlIsNamedPressableAndInputReachesTheModel) {
    int clickable = 0;
    for (const Control& c : panel.c) {
        QWidget* widget = view.widget(controlName(c.id));
        // A disabled control rightly offers no press.
        if (!c.clickable || !c.enabled || !widget) continue;
        ++clickable;
        const std::string name = controlName(c.id).toStdString();
        EXPECT_FALSE(widget->accessibleName().isEmpty()) << name;
        EXPECT_NE(widget->focusPolicy() & Qt::TabFocus, 0) << name;
        ASSERT_TRUE(accessible(widget)->actionInterface()) << name;
        EXPECT_TRUE(accessible(widget)->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::pressAction()))
            << name;
    }
    EXPECT_GT(clickable, 20);

    // The end-to-end walks press through the screen reader's interface; here, a key.
    const QString limit = caption(Ctl::lblLIMIT);
    w("lblLIMIT")->setFocus();
    QTest::keyClick(w("lblLIMIT"), Qt::Key_Space);
    EXPECT_NE(caption(Ctl::lblLIMIT), limit);
    EXPECT_EQ(w<QAbstractButton>("lblLIMIT")->text(), caption(Ctl::lblLIMIT));

    d.clipboard.copyFromElsewhere(QStringLiteral("http://s/p[01-20].jpg"));
    auto* now = w<QLineEdit>("txtNow");
    w("txtNo")->setFocus();
    w<QLineEdit>("txtNo")->selectAll();
    QTest::keyClicks(w("txtNo"), QStringLiteral("07"));
    EXPECT_EQ(caption(Ctl::txtNo), QStringLiteral("07"));
    EXPECT_FALSE(now->isReadOnly());
    // Megabytes copied: the box shows their start and takes no edit that would drop the rest.
    d.clipboard.copyFromElsewhere(QString(1 << 20, u'x'));
    EXPECT_TRUE(now->isReadOnly());
    EXPECT_TRUE(now->text().size() < 10000 && now->text().startsWith(u'x'));
    EXPECT_EQ(caption(Ctl::txtNow).size(), 1 << 20);
    d.clipboard.copyFromElsewhere(QStringLiteral("http://s/q.jpg"));
    EXPECT_FALSE(now->isReadOnly());
}

// What a screen reader or an input tool sets counts as typed, unless the box
// is off; the focus leaving, which clears a line edit's selection, does not.
TEST_F(ViewTest, TextAndSelectionSetFromOutsideThePanelReachItsState) {
    activate();
    accessible(w("txtNo"))->editableTextInterface()->insertText(0, QStringLiteral("5"));
    accessible(w("txtNo"))->textInterface()->setSelection(0, 0, 1);
    // What the model took up, the box would show.
    EXPECT_EQ(std::pair(w<QLineEdit>("txtNo")->text(), w<QLineEdit>("txtNo")->selectedText()),
              std::pair(QStringLiteral("0"), QString()));
    // (That an enabled box takes it up, the keep walk's name box shows in the list's file.)

    w("txtLimL")->setFocus();
    d.clipboard.copyFromElsewhere(QStringLiteral("http://s/img007.jpg"));
    ASSERT_FALSE(w("txtNow")->hasFocus());
    accessible(w("txtNow"))->textInterface()->setSelection(0, 13, 16);
    const Control& now = panel.c[Ctl::txtNow];
    EXPECT_EQ(std::pair(now.selStart, now.selLength), std::pair(13, 3));
    w("txtNow")->setFocus();
    w("txtNo")->setFocus();
    EXPECT_EQ(now.selLength, 3);

    // Typed over the keep list: no entry selected, and typing goes on where it was.
    panel.c[Ctl::List1].items = QStringList{QStringLiteral("a"), QStringLiteral("b")};
    panel.selectItem(Ctl::List1, 1);
    panel.notify();
    QLineEdit* typed = w<QComboBox>("List1")->lineEdit();
    typed->setFocus();
    typed->setCursorPosition(0);
    QTest::keyClick(typed, Qt::Key_X);
    panel.notify();
    EXPECT_EQ(std::pair(caption(Ctl::List1), panel.c[Ctl::List1].listIndex),
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

// Nor does it show, to a screen reader or a press, a control past its edges.
TEST_F(ViewTest, ATuckedPanelShowsOnlyWhatStaysOnScreenAndKnowsWhereItStands) {
    const auto showing = [this] {
        QStringList names;
        for (const char* name : {"txtNow", "lblKeep", "lbl10"})
            if (!accessible(w(name))->state().invisible) names << name;
        return names.join(' ');
    };
    EXPECT_EQ(showing(), "txtNow"); // folded: the list below, the strip right of the edge
    const qreal dpi = view.screen()->logicalDotsPerInchX();
    const auto px = [dpi](int twips) { return qRound(twips * dpi / 1440); };
    const RectTwips tucked{-2730, 1500, 2970, 690}, back{1500, 1500, 2730, 690}; // whole pixels
    panel.PanelInPlace = False;
    view.setGeometry(tucked);
    EXPECT_EQ(view.geometry(), tucked);
    const QRect shown = view.QWidget::geometry();
    EXPECT_EQ(shown.left(), view.screen()->geometry().left());
    EXPECT_EQ(view.mask().boundingRect(), QRect(0, 0, px(240), shown.height()));
    // The strip's own left edge, 2745 twips into the panel, is 15 twips into the window.
    EXPECT_EQ(w("lbl10")->x(), px(2745) - px(2730));
    EXPECT_EQ(showing(), "lbl10");
    panel.PanelInPlace = True;
    view.setGeometry(back);
    EXPECT_EQ(view.geometry(), back);
    EXPECT_TRUE(view.mask().isEmpty());
    EXPECT_EQ(w("lbl10")->x(), px(2745));
    EXPECT_EQ(showing(), "txtNow");
}

// The window manager moves the panel from where the button went down: the
// first motion, which starts the move, has carried the pointer on already.
// A drag seen only once the button is up again, which no window manager can
// take, moves the panel by the way its own queued events tell, to the release.
TEST_F(ViewTest, ADragMovesThePanelFromThePressPointEvenOneSeenLate) {
    const QPoint at(181, 1), on = view.mapToGlobal(at), from = view.pos(); // the background
    const auto mouse = [&](QEvent::Type type, QPoint by, Qt::MouseButton b, Qt::MouseButtons held) {
        QMouseEvent e(type, at + by, on + by, b, held, {});
        QApplication::sendEvent(&view, &e);
    };
    d.windows.moveStart = WindowSystemPort::MoveStart::Taken;
    QTest::mousePress(&view, Qt::LeftButton, {}, at);
    mouse(QEvent::MouseMove, {30, 10}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(d.windows.movesFrom, (std::vector{std::pair(on.x(), on.y())}));
    EXPECT_EQ(view.pos(), from);

    d.windows.moveStart = WindowSystemPort::MoveStart::Late;
    QTest::mousePress(&view, Qt::LeftButton, {}, at);
    for (const QPoint by : {QPoint(30, 10), QPoint(50, 20)})
        mouse(QEvent::MouseMove, by, Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, {55, 25}, Qt::LeftButton, Qt::NoButton);
    mouse(QEvent::MouseMove, {90, 90}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(view.pos(), from + QPoint(55, 25));

    // No button is down on this display: the real port says so rather than
    // hand the window manager a move it would hold until some later release.
    X11WindowSystem desktop;
    EXPECT_EQ(desktop.startMove(view.handle(), on.x(), on.y()), WindowSystemPort::MoveStart::Late);
}

// The Enter that closes a box, or the next, must not press an exit control
// the focus fell onto; only one the user tabbed to ends the run.
TEST_F(ViewTest, AfterABoxTheFocusIsBackAndOnlyATabbedToExitEndsTheRunByKey) {
    activate();
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
    panel.click(Ctl::lblOPEN); // unfolded: every exit control shows
    activate();

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
    QTRY_VERIFY(panel.closed()); // the press is animated
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
    QStringList repainted;
    for (const Ctl over : {Ctl::lblKeep, Ctl::lblKeep, Ctl::lblCUT}) {
        paints.painted.clear();
        panel.mouseMove(over);
        QTest::qWait(100);
        repainted << QStringList(paints.painted.values()).join(' ');
    }
    EXPECT_EQ(repainted.mid(1), (QStringList{"", "lblCUT"}));
}

// Another program on the clipboard: xclip copying, or the test's own owner,
// which can hold it without answering. Ended with the test.
struct Elsewhere : QProcess {
    ~Elsewhere() override { end(); }
    void end() {
        kill();
        waitForFinished();
    }
    bool own(const QStringList& args = {}) {
        start(QStringLiteral(CLIPBOARD_OWNER), args);
        return waitForReadyRead(5000);
    }
    void copy(const QByteArray& text) {
        end();
        start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard")});
        ASSERT_TRUE(waitForStarted());
        write(text);
        closeWriteChannel();
    }
};

// The clipboard is fetched once per change; a change by another program must
// still be seen at the next read.
TEST(QtClipboardTest, AnotherProgramsCopyIsSeenAndOwnWritesAtOnce) {
    {
        // Made while another program owns the clipboard: its first read is
        // still out when the panel writes, and must not undo the write.
        Elsewhere owner;
        ASSERT_TRUE(owner.own());
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
        owner.end();
    }
    QtClipboard clipboard;
    int changes = 0;
    clipboard.setChangeHandler([&] { ++changes; });
    clipboard.setText(QStringLiteral("ours"));
    EXPECT_EQ(clipboard.text(), QStringLiteral("ours"));
    // Another program's copy, large enough that it is sent in pieces (the
    // end-to-end walks copy everyday texts).
    Elsewhere xclip;
    const QString big = QString(2'000'000, u'あ');
    xclip.copy(big.toUtf8());
    QTRY_COMPARE_WITH_TIMEOUT(clipboard.text().size(), big.size(), 10000);
    EXPECT_EQ(clipboard.text(), big);
    EXPECT_GE(changes, 1);
    clipboard.clear();
    EXPECT_FALSE(clipboard.hasText());
}

// An owner that never answers: nothing waits on it, the text read stays the
// last one given, and the next real copy is taken up.
TEST(QtClipboardTest, AnOwnerThatNeverAnswersStallsNothing) {
    QtClipboard clipboard;
    clipboard.setText(QStringLiteral("before"));
    Elsewhere hung, xclip;
    ASSERT_TRUE(hung.own({QStringLiteral("--never-answer")}));
    // The UI thread's heartbeat over three seconds of reads; a waiting read
    // would stall for the clipboard's timeout, seconds long.
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, longest = 0;
    while (clock.elapsed() < 3000) {
        EXPECT_EQ(clipboard.text(), QStringLiteral("before"));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        longest = std::max(longest, clock.elapsed() - last);
        last = clock.elapsed();
    }
    EXPECT_LT(longest, 1000);
    xclip.copy("after");
    QTRY_COMPARE_WITH_TIMEOUT(clipboard.text(), QStringLiteral("after"), 5000);
}

// A program that took the clipboard after the panel's last event keeps it:
// the write is refused, and said so. Once the panel has seen the change, its
// writes go through again.
TEST(QtClipboardTest, AClipboardTakenUnseenRefusesTheWriteAndSaysSo) {
    QtClipboard clipboard;
    clipboard.setText(QStringLiteral("ours"));
    QTest::qWait(100);
    Elsewhere owner; // waiting for it runs no event of the panel's
    ASSERT_TRUE(owner.own());
    EXPECT_THROW(clipboard.setText(QStringLiteral("refused")), PlatformFailure);
    EXPECT_THROW(clipboard.clear(), PlatformFailure);
    QTest::qWait(200);
    EXPECT_NO_THROW(clipboard.setText(QStringLiteral("again")));
    EXPECT_EQ(clipboard.text(), QStringLiteral("again"));
    // Qt's answer to the fetch still out must reach this reader, not a later
    // one that reuses its window id, and must not undo the write.
    QTest::qWait(200);
    EXPECT_EQ(clipboard.text(), QStringLiteral("again"));
    owner.end();
}

// The desktop's front window as the X11 port follows it: from the window
// manager's change notifications, the title of the window in front included.
void activateByHand(QWidget& w) {
    QProcess::execute(QStringLiteral("timeout"),
                      {QStringLiteral("5"), QStringLiteral("xdotool"),
                       QStringLiteral("windowactivate"), QString::number(w.winId())});
}

TEST(X11WindowSystemTest, TheFrontWindowAndItsTitleFollowTheWindowManagersNotices) {
    X11WindowSystem desktop;
    int changes = 0;
    desktop.setFrontChangeHandler([&] { ++changes; });
    QWidget a, b;
    a.setWindowTitle(QStringLiteral("front test A"));
    b.setWindowTitle(QStringLiteral("front test B"));
    a.setGeometry(100, 100, 200, 100);
    b.setGeometry(400, 100, 200, 100);
    a.show();
    b.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&a) && QTest::qWaitForWindowExposed(&b));
    QTest::qWait(300); // the window manager's own activations of the new windows settle
    // Each time the one not in front is brought there, so each is a change.
    for (int i = 0; i < 3; ++i) {
        QWidget* w = desktop.foregroundWindow() == a.winId() ? &b : &a;
        const int before = changes;
        activateByHand(*w);
        EXPECT_TRUE(QTest::qWaitFor([&] { return desktop.foregroundWindow() == w->winId(); }));
        EXPECT_TRUE(QTest::qWaitFor([&] { return changes > before; }));
    }
    if (desktop.foregroundWindow() != a.winId()) activateByHand(a);
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.foregroundWindow() == a.winId(); }));
    // A retitling of the window in front is noticed too, without a change of window.
    const int before = changes;
    a.setWindowTitle(QStringLiteral("front test A, retitled"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return changes > before; }));
    EXPECT_EQ(desktop.windowTitle(a.winId(), 128), "front test A, retitled");
    EXPECT_EQ(desktop.windowTitle(a.winId(), 8), "front t");
    EXPECT_EQ(desktop.windowTitle(b.winId(), 128), "front test B"); // asked of the server
    // A window retitled in a loop is read a few times, and its last title soon.
    const int beforeLoop = changes;
    for (int i = 0; i < 300; ++i) {
        a.setWindowTitle(QStringLiteral("front test A %1").arg(i));
        QCoreApplication::processEvents();
        QTest::qSleep(1);
    }
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return desktop.windowTitle(a.winId(), 128) == "front test A 299"; }));
    EXPECT_LT(changes - beforeLoop, 30);
}

} // namespace
} // namespace kurumin::testing

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
