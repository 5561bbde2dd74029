#include "SimLink.h"
#include "WindowTimer.h"

#include <gtest/gtest.h>

namespace {

struct Echo : ::testing::Test {
    std::unique_ptr<SimLink> l;

    void start(sim::StationConfig config = {}, std::uint64_t seed = 1)
    {
        l = std::make_unique<SimLink>(config, seed);
        l->bench.addBaseStation(7);
        l->window.SpTBXItemFullScanClick();
        ASSERT_TRUE(l->loop.RunUntil([&] { return l->scanEnded() && l->state.BasePort != 0; }, 5000));
        l->bench.device().clearWrites();
    }
    void runTest(int loops)
    {
        l->window.TestSpinEditChange(loops);
        l->window.SpTBXItemEchoClick();
        ASSERT_TRUE(l->loop.RunUntil([&] { return !l->state.EchoTestActive; }, qint64(loops) * 12 * 400 + 1000));
    }
};

// What the simulator says the counters of one pad must be.
EchoCounters groundTruth(const sim::Pad& pad)
{
    EchoCounters truth;
    for (const sim::AirFrame& up : pad.up())
        if (up.kind == sim::FrameKind::EchoReply && up.atProgramUs >= 0)
            ++truth.Replies;
    QByteArray loopOfLastEcho;
    for (const sim::AirFrame& down : pad.down()) {
        const sim::ProgramFrame frame = sim::readProgramFrame(down.bytes);
        if (frame.kind == sim::FrameKind::Echo)
            loopOfLastEcho = frame.shown;
        if (frame.kind != sim::FrameKind::BareEcho)
            continue;
        ++truth.Resends;
        if (down.lost)
            continue;
        // The pad's answer to this resend: the first frame it sent after hearing it.
        for (const sim::AirFrame& up : pad.up()) {
            if (up.sentUs < down.arrivesUs)
                continue;
            if (up.atProgramUs >= 0) {
                const QByteArray loop = up.bytes.mid(up.bytes.indexOf(' ') + 2).chopped(1);
                ++(loop == loopOfLastEcho ? truth.MissedSends : truth.MissedReads);
            }
            break;
        }
    }
    return truth;
}

TEST_F(Echo, TwoHundredLoopsWithLossAgreeWithTheSimulatorPadByPad)
{
    start({}, 42);
    ASSERT_EQ(l->state.PadIds.count(), 12);
    l->bench.station().air().lossDown = 0.05;
    l->bench.station().air().lossUp = 0.05;
    runTest(200);

    int resends = 0;
    for (int j = 0; j < 12; ++j) {
        const EchoCounters truth = groundTruth(l->bench.pad(sim::padId(j)));
        const EchoCounters& got = l->state.EchoStats[std::size_t(j)];
        EXPECT_EQ(got.Replies, truth.Replies) << "J" << j;
        EXPECT_EQ(got.Resends, truth.Resends) << "J" << j;
        EXPECT_EQ(got.MissedReads, truth.MissedReads) << "J" << j;
        EXPECT_EQ(got.MissedSends, truth.MissedSends) << "J" << j;
        resends += got.Resends;
        EXPECT_GT(got.MissedReads + got.MissedSends, 0) << "J" << j; // the loss did bite
    }
    EXPECT_GT(resends, 200);
    EXPECT_FALSE(l->window.progressVisible);
    EXPECT_EQ(l->window.progressMax, 2400);
    EXPECT_EQ(l->window.progressPosition, 2400);
}

TEST_F(Echo, ReportLinesLogLinesAndTiming)
{
    start(sim::StationConfig::withPads("3c"));
    l->bench.pad('c').config().lossUp = 1.0; // every reply of J11 is lost
    const qint64 t0 = l->loop.elapsedMs();
    runTest(2);

    const QStringList expected = {"3 -->       1", "3 <-- 1", "c -->       1", "c -->>      1",
                                  "3 -->       2", "3 <-- 2", "c -->       2", "c -->>      2"};
    EXPECT_EQ(l->logWithoutStamps(), expected);
    // A pad that answers takes one test delay, one that does not takes two.
    EXPECT_EQ(l->loop.elapsedMs() - t0, 2 * (180 + 2 * 180));
    EXPECT_EQ(l->window.reportText[3], "3       2       0       0       0");
    EXPECT_EQ(l->window.reportColour[3], TextColour::WindowText);
    EXPECT_EQ(l->window.reportText[11], "11"); // never answered: its line is never rewritten
    EXPECT_EQ(l->state.EchoStats[11].Resends, 2);
    // Frames: the echo frame with its loop number, and the bare resend.
    const auto& w = l->bench.device().writes();
    EXPECT_EQ(w[0].bytes, QByteArray("\x02" "3J3  1\x1b" "4\x04"));
    EXPECT_EQ(w[2].bytes, QByteArray("\x02" "c\x1b" "4\x04"));
    EXPECT_EQ((w[2].atUs - w[1].atUs) / 1000, 180);
    // Every log line carries the millisecond within the minute, right-aligned in 8.
    for (const QString& line : l->window.log)
        EXPECT_TRUE(line.right(8).trimmed().toInt() < 60000 && line.right(8).size() == 8) << line.toStdString();
}

TEST_F(Echo, AReplyAfterAResendIsColouredRedAndCountedAsAMissedSend)
{
    start(sim::StationConfig::withPads("5"));
    // The first reply of J5 is slower than the test delay: the resend comes, then both replies.
    l->bench.pad('5').config().replyDelayUs = 200'000;
    runTest(1);
    const EchoCounters& c = l->state.EchoStats[5];
    EXPECT_EQ(c.Resends, 1);
    EXPECT_EQ(c.Replies, 1); // the late reply to the resend comes after the test has ended
    EXPECT_EQ(c.MissedSends, 1);
    EXPECT_EQ(c.MissedReads, 0);
    EXPECT_EQ(l->window.reportText[5], "5       1       1       0       1");
    EXPECT_EQ(l->window.reportColour[5], TextColour::Red);
}

TEST_F(Echo, AbortFinishesTheLoopInProgress)
{
    start();
    l->window.TestSpinEditChange(50);
    l->window.SpTBXItemEchoClick();
    l->loop.RunFor(500); // within the first loop
    l->window.BtnAbortClick();
    ASSERT_TRUE(l->loop.RunUntil([&] { return !l->state.EchoTestActive; }, 10000));
    for (int j = 0; j < 12; ++j)
        EXPECT_EQ(l->state.EchoStats[std::size_t(j)].Replies, 1) << j;
    EXPECT_EQ(l->state.EchoLoop, 1);
}

TEST_F(Echo, WithNoPadsTheTestEndsAtOnce)
{
    start(sim::StationConfig::withPads(""));
    l->window.TestSpinEditChange(10000);
    l->window.SpTBXItemEchoClick();
    EXPECT_FALSE(l->state.EchoTestActive);
    EXPECT_FALSE(l->window.progressVisible);
    EXPECT_TRUE(l->bench.device().writes().empty());
}

TEST_F(Echo, LoopNumbersOfSeveralDigitsAreReadWhole)
{
    start(sim::StationConfig::withPads("a"));
    runTest(12);
    EXPECT_EQ(l->state.EchoStats[10].Replies, 12);
    EXPECT_EQ(l->logWithoutStamps().mid(22, 2), (QStringList{"a -->      12", "a <-- 12"}));
    EXPECT_EQ(l->window.reportText[10], "10      12       0       0       0");
}

} // namespace
