#include "AnsiCodePage.h"
#include "LinkBench.h"
#include "WindowTimer.h"
#include "Wire.h"

#include <gtest/gtest.h>

namespace {

struct RefreshCounter : WindowModel::Observer {
    std::vector<qint64> atMs;
    const VirtualEventLoop* loop = nullptr;
    void refreshed() override { atMs.push_back(loop->elapsedMs()); }
};

struct Queue : ::testing::Test {
    LinkBench b;
    ScriptedPeer peer;
    RefreshCounter refreshes;

    void SetUp() override
    {
        b.plug(4, peer);
        b.openOn(4);
        refreshes.loop = &b.loop;
        b.window.setObserver(&refreshes);
    }
    std::vector<qint64> writeTimesMs() const
    {
        std::vector<qint64> out;
        for (const auto& w : b.device.writes())
            out.push_back(w.atUs / 1000);
        return out;
    }
};

TEST_F(Queue, APadScanLeavesEvery120MsAndRefreshesOnceAfterTheLastFrame)
{
    b.form.ScanPortForPads();
    b.run(2000);
    std::vector<qint64> expected;
    for (int i = 1; i <= 12; ++i)
        expected.push_back(120 * i);
    EXPECT_EQ(writeTimesMs(), expected);
    EXPECT_EQ(refreshes.atMs, std::vector<qint64>{1560});
    EXPECT_EQ(b.window.log.first(), "4 --> Hello J0");
    EXPECT_EQ(b.window.log.last(), "4 --> Hello J11");
    EXPECT_EQ(b.window.log.size(), 12);
    EXPECT_FALSE(b.form.COMTimer->enabled());
    EXPECT_EQ(b.form.COMTimer->interval(), wire::ScanPace);
}

TEST_F(Queue, ACommandSwitchesTheFramesStillQueuedToCommandPace)
{
    b.form.RegisterPad("5", "912");
    b.form.ScanPortForPads(); // clears the pads; re-register one so the lock has a target
    b.form.RegisterPad("5", "912");
    b.run(250);               // two hello frames out, at 120 and 240
    b.form.KbdLocked(true);   // at 250: restarts the countdown at 100 ms
    b.run(2000);
    const auto t = writeTimesMs();
    ASSERT_EQ(t.size(), 13u);
    EXPECT_EQ(t[1], 240);
    EXPECT_EQ(t[2], 350);
    EXPECT_EQ(t[12], 350 + 10 * 100);
    EXPECT_EQ(b.device.writes().back().bytes, ansi::fromUnicode(wire::lockFrame('5', true)));
    EXPECT_EQ(refreshes.atMs, std::vector<qint64>{1450});
    EXPECT_EQ(b.form.COMTimer->interval(), wire::ScanPace); // back after the drain
}

TEST_F(Queue, CommandsWithoutPadsCostOneEmptyTick)
{
    b.form.KbdLocked(false);
    b.form.RequestJudgeIDs();
    b.run(500);
    EXPECT_TRUE(b.device.writes().empty());
    EXPECT_EQ(refreshes.atMs, std::vector<qint64>{100});
    EXPECT_TRUE(b.state.JudgeIdMode);
}

TEST_F(Queue, AnAcknowledgementJoinsTheTailOfADrainingScan)
{
    b.form.ScanPortForPads();
    b.run(130);
    b.form.FramedDataPacketStringPacket(bytes("<STX>37.5<EOT>"));
    b.run(2000);
    ASSERT_EQ(b.device.writes().size(), 13u);
    EXPECT_EQ(b.device.writes().back().atUs / 1000, 13 * 120);
    EXPECT_EQ(b.window.log.at(12), "4 --> Hello J3");
}

TEST_F(Queue, BroadcastDiveIsLoggedWithMinusOne)
{
    b.state.BroadcastMode = true;
    b.form.SendDive("103B");
    b.run(300);
    EXPECT_EQ(b.window.log, QStringList{"4 --> Hello J-1"});
    EXPECT_EQ(b.device.writes().size(), 1u);
}

TEST_F(Queue, PerPadDivesGoInAlphabetOrder)
{
    b.form.RegisterPad("c", "912");
    b.form.RegisterPad("3", "912");
    b.form.SendDive("103B");
    b.run(400);
    EXPECT_EQ(b.writesAsText(), (QStringList{QString::fromLatin1(bytes("<STX>3J3   103B<ESC>0<EOT>")),
                                             QString::fromLatin1(bytes("<STX>cJ11  103B<ESC>0<EOT>"))}));
    EXPECT_EQ(writeTimesMs(), (std::vector<qint64>{100, 200}));
}

TEST_F(Queue, AFrameDueOnAClosedPortIsLoggedReportedAndTheNextStillGoes)
{
    b.form.RegisterPad("1", "912");
    b.form.RegisterPad("2", "912");
    b.form.KbdLocked(true);
    b.form.ComPort.Close();
    b.run(150);
    b.form.ComPort.Open();
    b.run(200);
    EXPECT_EQ(b.window.log, (QStringList{"4 --> Hello J1", "Error: COM4 is not open", "4 --> Hello J2"}));
    EXPECT_EQ(b.device.writes().size(), 1u);
    EXPECT_EQ(refreshes.atMs.size(), 1u);
}

TEST(DoRefresh, BroadcastOnlyWhenEveryPadIsNewEnough)
{
    struct Case {
        QStringList versions;
        bool broadcast;
    };
    for (const Case& c : {Case{{}, false}, Case{{"910", "1002"}, true}, Case{{"0", "1002"}, false},
                          Case{{"909"}, false}, Case{{"912", "abc"}, false}}) {
        LinkBench b;
        b.state.PortList = {"4"};
        b.state.BroadcastMode = !c.broadcast;
        for (const QString& v : c.versions)
            b.state.PadVersions.add(v);
        b.form.DoRefresh();
        EXPECT_EQ(b.state.BroadcastMode, c.broadcast) << c.versions.join(",").toStdString();
        EXPECT_EQ(b.window.chk1, c.broadcast);
        EXPECT_TRUE(b.state.PortText.isEmpty());
    }
    LinkBench b;
    b.form.DoRefresh();
    EXPECT_EQ(b.state.PortText, "No ports found");
    EXPECT_EQ(b.window.lblPort, "No ports found");
}

} // namespace
