// GoogleTest's main with a QApplication around it, for the suites that build widgets.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    // Also when ctest lists the tests, which it does without the tests' environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
