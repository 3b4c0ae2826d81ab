// The desktop's front window as the X11 port follows it: from the window
// manager's change notifications, the title of the window in front included.

#include "platform/qt/qt_services.h"

#include <QProcess>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace kurumin {
namespace {

void activate(QWidget& w) {
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
        activate(*w);
        EXPECT_TRUE(QTest::qWaitFor([&] { return desktop.foregroundWindow() == w->winId(); }));
        EXPECT_TRUE(QTest::qWaitFor([&] { return changes > before; }));
    }
    if (desktop.foregroundWindow() != a.winId()) activate(a);
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.foregroundWindow() == a.winId(); }));
    // A retitling of the window in front is noticed too, without a change of window.
    const int before = changes;
    a.setWindowTitle(QStringLiteral("front test A, retitled"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return changes > before; }));
    EXPECT_EQ(desktop.windowTitle(a.winId(), 128), "front test A, retitled");
    EXPECT_EQ(desktop.windowTitle(a.winId(), 8), "front t");
    EXPECT_EQ(desktop.windowTitle(b.winId(), 128), "front test B"); // asked of the server
}

// On every workspace, and again once shown again: a window manager forgets it
// when the window is withdrawn.
TEST(X11WindowSystemTest, AWindowShownOnEveryWorkspaceIsOnEach) {
    X11WindowSystem desktop;
    QWidget w;
    for (int shown = 0; shown < 2; ++shown) {
        desktop.showOnEveryWorkspace(w.winId());
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        QProcess xprop; // as the window manager has it once it manages the window
        xprop.start("xprop", {"-id", QString::number(w.winId()), "_NET_WM_DESKTOP"});
        xprop.waitForFinished();
        EXPECT_TRUE(xprop.readAllStandardOutput().contains("= 4294967295"));
        w.hide();
        QTest::qWait(300);
    }
}

} // namespace
} // namespace kurumin
