#include <QGuiApplication>

#include <gtest/gtest.h>

// The real-browser tests ask the X server which window is in front; the
// others run with no display at all.
int main(int argc, char** argv) {
#ifdef KURUMIN_ON_DISPLAY
    QGuiApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
