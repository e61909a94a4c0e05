#include <gtest/gtest.h>

#include <QGuiApplication>

// The figure layer needs Qt's painting and fonts but no widgets: a QGuiApplication on the
// offscreen platform, as the batch program starts one.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
