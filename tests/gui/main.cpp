#include <gtest/gtest.h>

#include <QApplication>

// Window tests need a QApplication; without a display they use the offscreen platform, also
// when CTest lists the tests at build time.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
