#include <QApplication>
#include <gtest/gtest.h>

// Every test program runs with a QApplication on the offscreen platform, so window
// tests never need a display and never show anything.
int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
