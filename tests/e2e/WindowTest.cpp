// The window itself under the offscreen platform: a Full Scan clicked against kivo-sim.
#include "Main.h"
#include "Programs.h"

#include <QAction>
#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

using namespace e2e;

namespace {

int greenLamps(const TfrmMain& window)
{
    int green = 0;
    for (int j = 0; j < 12; ++j) {
        const QWidget* lamp = window.widget(QStringLiteral("LED%1").arg(j));
        if (lamp != nullptr && lamp->palette().color(QPalette::WindowText) == QColor(0, 255, 0))
            ++green;
    }
    return green;
}

TEST(Window, AFullScanClickedEndsWithTwelveGreenLamps)
{
    Sandbox sandbox;
    sandbox.apply();
    KivoSim sim(sandbox, 9, {"--silent-port", "2", "--silent-port", "5"});

    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "e2e_window_tests";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QueltaProgram program;
    TfrmMain& window = program.window();
    window.show();
    ASSERT_EQ(greenLamps(window), 0);

    QAction* fullScan = window.action(QStringLiteral("SpTBXItemFullScan"));
    ASSERT_NE(fullScan, nullptr);
    fullScan->trigger();
    const auto end = Clock::now() + kScan;
    while (greenLamps(window) < 12 && Clock::now() < end)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(greenLamps(window), 12);
    // The lamps turn green as the pads answer; the refresh after the pad scan shows the rest.
    while (window.caption(QStringLiteral("lblKVVer")).isEmpty() && Clock::now() < end)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(window.caption(QStringLiteral("lblPort")), QStringLiteral("9"));
    EXPECT_EQ(window.caption(QStringLiteral("lblFirmware")), QStringLiteral("ERA400TRS-V1.02.3"));
    EXPECT_EQ(window.caption(QStringLiteral("lblKVVer")), QStringLiteral("912"));
    const QAction* echo = window.action(QStringLiteral("SpTBXItemEcho"));
    ASSERT_NE(echo, nullptr);
    EXPECT_TRUE(echo->isEnabled());

    window.close();
    EXPECT_EQ(sim.state().port, "closed") << "closing the window closes the port";
}

} // namespace
