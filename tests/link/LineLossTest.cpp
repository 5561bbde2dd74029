#include "SimLink.h"
#include "WindowTimer.h"

#include <gtest/gtest.h>

namespace {

// The base station's adapter is pulled out while the link is busy.
struct LineLoss : ::testing::Test {
    SimLink l;

    void SetUp() override
    {
        l.bench.addSilentPort(3);
        l.bench.addBaseStation(7);
    }
    void scan()
    {
        l.window.SpTBXItemFullScanClick();
        ASSERT_TRUE(l.loop.RunUntil([&] { return l.scanEnded() && !l.state.PadIds.isEmpty(); }, 5000));
    }
    // After the pull: exactly one new line, and nothing more however long the program runs.
    void expectOneLineAndQuiet(qsizetype before)
    {
        l.loop.RunFor(20);
        ASSERT_EQ(l.window.log.size(), before + 1);
        EXPECT_EQ(l.window.log.last(), "7 Serial line lost (The device /sim/COM7 was removed); port closed");
        const quint64 events = l.loop.programEventsRun();
        l.loop.RunFor(60000);
        EXPECT_EQ(l.window.log.size(), before + 1);
        EXPECT_LT(l.loop.programEventsRun() - events, 20u); // no timer keeps ticking (one would give 600)
        EXPECT_FALSE(l.form.ComPort.IsOpen());
        EXPECT_FALSE(l.window.busy);
        EXPECT_TRUE(l.window.enabled("SpTBXSubmenuItemScans"));
    }
    void expectNextScanWorks()
    {
        l.bench.plugBaseStationBack();
        scan();
        EXPECT_EQ(l.state.BasePort, 7);
        EXPECT_EQ(l.state.PadIds.count(), 12);
    }
};

TEST_F(LineLoss, MidScan)
{
    l.window.SpTBXItemFullScanClick();
    l.loop.RunFor(250); // checking COM 7
    const auto before = l.window.log.size();
    l.bench.pullBaseStation();
    expectOneLineAndQuiet(before);
    expectNextScanWorks();
}

TEST_F(LineLoss, MidQueue)
{
    scan();
    l.window.SpTBXItemLockClick();
    l.loop.RunFor(350);
    const auto before = l.window.log.size();
    l.bench.pullBaseStation();
    expectOneLineAndQuiet(before);
    EXPECT_TRUE(l.state.SendQueue.isEmpty());
    expectNextScanWorks();
}

TEST_F(LineLoss, MidEchoTestKeepsTheReport)
{
    scan();
    l.window.TestSpinEditChange(100);
    l.window.SpTBXItemEchoClick();
    l.loop.RunFor(5000);
    const auto before = l.window.log.size();
    l.bench.pullBaseStation();
    const std::array<EchoCounters, 12> stats = l.state.EchoStats;
    const std::array<QString, 12> report = l.window.reportText;
    expectOneLineAndQuiet(before);
    EXPECT_FALSE(l.state.EchoTestActive);
    EXPECT_FALSE(l.window.progressVisible);
    for (std::size_t j = 0; j < 12; ++j) {
        EXPECT_EQ(l.state.EchoStats[j].Replies, stats[j].Replies) << j;
        EXPECT_EQ(l.window.reportText[j], report[j]) << j;
    }
    EXPECT_GT(stats[0].Replies, 0);
    expectNextScanWorks();
}

} // namespace
