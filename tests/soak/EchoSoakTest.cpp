// A long echo test over twelve pads with loss both ways and replies that come late, on the
// virtual loop: the counters must match the line's timeline pad by pad, and memory must not
// grow once the test has warmed up.
#include "EchoTimeline.h"
#include "ProcessMemory.h"
#include "SimLink.h"
#include "WindowTimer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <random>

namespace {

// QUELTA_SOAK_LOOPS overrides the 10 000 loops of the recorded run.
int soakLoops()
{
    const char* text = std::getenv("QUELTA_SOAK_LOOPS");
    const int n = text != nullptr ? std::atoi(text) : 0;
    return n > 0 ? std::min(n, 10000) : 10000;
}

struct LogCount {
    int echoes = 0;
    int resends = 0;
    int replies = 0;
    QStringList other;

    void take(QStringList& log)
    {
        for (const QString& line : log) {
            if (line.mid(1, 5) == QLatin1String(" -->>"))
                ++resends;
            else if (line.mid(1, 4) == QLatin1String(" -->"))
                ++echoes;
            else if (line.mid(1, 5) == QLatin1String(" <-- "))
                ++replies;
            else if (other.size() < 10)
                other << line;
        }
        log.clear();
    }
};

TEST(EchoSoak, TwelvePadsWithLossAndLateRepliesAgreeWithTheTimelineAndMemoryStaysFlat)
{
    const int loops = soakLoops();
    constexpr int delayMs = 180;
    sim::StationConfig config;
    config.keepRecords = false; // the timeline below is the record, settled as the test runs
    SimLink l(config, 20240611);
    l.bench.addBaseStation(7);
    l.window.SpTBXItemFullScanClick();
    ASSERT_TRUE(l.loop.RunUntil([&] { return l.scanEnded() && l.state.BasePort != 0; }, 5000));
    ASSERT_EQ(l.state.PadIds.count(), 12);

    // Now the air turns bad: 5% loss each way, and every pad answers after a random time of up
    // to a whole test delay, so that with the line's own time some replies come after the
    // resend and some after their exchange has ended.
    l.bench.station().air().lossDown = 0.05;
    l.bench.station().air().lossUp = 0.05;
    std::mt19937_64 rng(99);
    for (int j = 0; j < 12; ++j) {
        sim::PadConfig& pad = l.bench.pad(sim::padId(j)).config();
        pad.replyDelayUs = qint64(500 + rng() % 4000);
        pad.replyJitterUs = delayMs * 1000 - pad.replyDelayUs;
        if (j % 3 == 0) {
            pad.latencyDownUs = qint64(1000 + rng() % 9000);
            pad.latencyUpUs = qint64(1000 + rng() % 9000);
        }
    }

    EchoTimeline timeline(delayMs * 1000, "0123456789ac");
    l.bench.station().setObserver([&](const sim::LineUnit& u) {
        if (u.from == sim::LineUnit::From::Station && u.kind == sim::LineUnit::Kind::PadFrame)
            timeline.replyReaches(u.lastUs, u.bytes);
    });
    l.bench.device().clearWrites();
    LogCount log;
    l.window.TestDelaySpinEditChange(delayMs);
    l.window.TestSpinEditChange(loops);
    l.window.SpTBXItemEchoClick();

    const int warmUpLoops = std::max(1, loops / 10);
    long peakResidentKiB = residentKiB();
    long warmKiB = 0;
    long peakAfterWarmUpKiB = 0;
    // A loop takes between 12 and 24 test delays.
    const qint64 limitMs = qint64(loops) * 24 * delayMs + 1000;
    const qint64 startMs = l.loop.elapsedMs();
    while (l.state.EchoTestActive && l.loop.elapsedMs() - startMs < limitMs) {
        l.loop.RunUntil([&] { return !l.state.EchoTestActive; }, 60'000);
        for (const VirtualSerialDevice::Write& w : l.bench.device().writes())
            timeline.wrote(w.atUs, w.bytes);
        l.bench.device().clearWrites();
        if (l.state.EchoTestActive)
            timeline.advance(l.loop.nowUs());
        log.take(l.window.log);

        peakResidentKiB = std::max(peakResidentKiB, residentKiB());
        const long kib = heldKiB();
        if (l.state.EchoLoop >= warmUpLoops) {
            if (warmKiB == 0)
                warmKiB = kib;
            peakAfterWarmUpKiB = std::max(peakAfterWarmUpKiB, kib);
        }
    }
    ASSERT_FALSE(l.state.EchoTestActive) << "the test did not end within " << limitMs << " ms";
    timeline.end(l.loop.nowUs());

    EXPECT_EQ(timeline.faults(), QStringList());
    EXPECT_EQ(timeline.exchanges(), loops * 12);
    for (int j = 0; j < 12; ++j) {
        const EchoCounters& truth = timeline.counters()[std::size_t(j)];
        const EchoCounters& got = l.state.EchoStats[std::size_t(j)];
        EXPECT_EQ(got.Replies, truth.Replies) << "J" << j;
        EXPECT_EQ(got.Resends, truth.Resends) << "J" << j;
        EXPECT_EQ(got.MissedReads, truth.MissedReads) << "J" << j;
        EXPECT_EQ(got.MissedSends, truth.MissedSends) << "J" << j;
    }
    // Every exchange, resend and counted reply has its log line, and nothing else is logged.
    EXPECT_EQ(log.echoes, timeline.exchanges());
    EXPECT_EQ(log.resends, timeline.resends());
    EXPECT_EQ(log.replies, timeline.repliesCounted());
    EXPECT_EQ(log.other, QStringList());
    // The run covered what it is meant to: loss, resends, and replies that came late.
    EXPECT_GT(timeline.resends(), loops * 12 / 20);
    EXPECT_GT(timeline.lateReplies(), loops / 10);
    EXPECT_FALSE(l.window.progressVisible);
    EXPECT_EQ(l.window.progressPosition, loops * 12);

    // Flat: no more than 4 MiB above what was held at the end of the warm-up. A leak of 40 bytes
    // per exchange would exceed it at 10 000 loops.
    const long growthKiB = peakAfterWarmUpKiB - warmKiB;
    EXPECT_LE(growthKiB, 4096) << kHeldMeasure << " " << warmKiB << " KiB after warm-up, peak " << peakAfterWarmUpKiB;
    int resends = 0;
    int missed = 0;
    for (const EchoCounters& c : l.state.EchoStats) {
        resends += c.Resends;
        missed += c.MissedReads + c.MissedSends;
    }
    std::cout << "[ soak     ] " << loops << " loops, " << timeline.exchanges() << " exchanges, " << resends
              << " resends, " << missed << " missed, " << timeline.lateReplies() << " late replies, "
              << (l.loop.elapsedMs() - startMs) / 1000 << " s virtual; resident peak " << peakResidentKiB
              << " KiB; " << kHeldMeasure << " after warm-up " << warmKiB << " KiB, peak " << peakAfterWarmUpKiB
              << " KiB (+" << growthKiB << ")\n";
    ::testing::Test::RecordProperty("peak_resident_kib", int(peakResidentKiB));
    ::testing::Test::RecordProperty("growth_after_warm_up_kib", int(growthKiB));
}

} // namespace
