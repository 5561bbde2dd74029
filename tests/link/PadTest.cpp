#include "SimLink.h"

#include <gtest/gtest.h>

namespace {

// Twelve pads found by a full scan on COM 7, ready for commands.
struct Pads : ::testing::Test {
    std::unique_ptr<SimLink> l;

    void start(const QString& decimal = QStringLiteral("."), sim::StationConfig config = {})
    {
        l = std::make_unique<SimLink>(config, 1, decimal);
        l->bench.addBaseStation(7);
        l->window.SpTBXItemFullScanClick();
        ASSERT_TRUE(l->loop.RunUntil([&] { return l->scanEnded() && !l->state.PadIds.isEmpty(); }, 5000));
        l->window.log.clear();
        l->bench.device().clearWrites();
    }
    // Lets what the pads send arrive, then the queue run dry.
    void drain()
    {
        l->loop.RunFor(50);
        ASSERT_TRUE(l->loop.RunUntil([&] { return !l->form.COMTimer->enabled(); }, 10000));
    }
    sim::Pad& pad(char id) { return l->bench.pad(id); }
};

TEST_F(Pads, ADiveIsBroadcastWhenEveryPadCanTakeIt)
{
    start();
    ASSERT_TRUE(l->state.BroadcastMode);
    l->window.SpTBXItemNextDiveClick();
    drain();
    EXPECT_EQ(l->window.log, QStringList{"7 --> Hello J-1"});
    ASSERT_EQ(l->bench.device().writes().size(), 1u);
    for (int j = 0; j < 12; ++j)
        EXPECT_EQ(pad(sim::padId(j)).diveText(), "103B 3m    First Diver") << j;
}

TEST_F(Pads, WithoutBroadcastEachPadGetsItsOwnDiveFrame)
{
    sim::StationConfig config;
    config.pads[3].version = "909"; // one old pad: no broadcast
    start(".", config);
    ASSERT_FALSE(l->state.BroadcastMode);
    EXPECT_EQ(l->window.lblKVVer, "909, 912");
    l->window.SpTBXItemNextDiveClick();
    l->window.SpTBXItemNextDiveClick(); // the second dive joins the queue behind the first
    drain();
    EXPECT_EQ(l->bench.device().writes().size(), 24u);
    EXPECT_EQ(l->window.log.first(), "7 --> Hello J0");
    EXPECT_EQ(l->window.log.last(), "7 --> Hello J11");
    for (int j = 0; j < 12; ++j)
        EXPECT_EQ(pad(sim::padId(j)).diveText(), "201B 3m    Diver Two") << j;
    EXPECT_EQ(l->window.SampleDiveIndex, 2);
}

TEST_F(Pads, TheBroadcastBoxOverridesUntilTheNextRefresh)
{
    start();
    l->window.Chk1Click(false);
    l->window.SpTBXItemNextDiveClick();
    drain();
    EXPECT_EQ(l->bench.device().writes().size(), 12u);
    EXPECT_TRUE(l->state.BroadcastMode); // the drain decided again
    EXPECT_TRUE(l->window.chk1);
}

TEST_F(Pads, KeyboardsLockAndUnlock)
{
    start();
    l->window.SpTBXItemLockClick();
    drain();
    for (int j = 0; j < 12; ++j)
        EXPECT_TRUE(pad(sim::padId(j)).locked()) << j;
    l->window.SpTBXItemUnlockClick();
    drain();
    for (int j = 0; j < 12; ++j)
        EXPECT_FALSE(pad(sim::padId(j)).locked()) << j;
    EXPECT_EQ(l->bench.device().writes().size(), 24u);
}

TEST_F(Pads, AnAwardOnACommaLocaleIsAcknowledgedAsTypedAndShownWithAComma)
{
    start(",");
    l->window.SpTBXItemNextDiveClick();
    drain();
    l->window.log.clear();
    ASSERT_TRUE(l->bench.typeOnPad('3', "7.5"));
    ASSERT_TRUE(l->bench.typeOnPad('c', "10.0"));
    drain();
    EXPECT_EQ(l->window.awards[3], "7,5");
    EXPECT_EQ(l->window.awards[11], "10,0");
    EXPECT_EQ(l->state.Awards[3], "7,5");
    EXPECT_EQ(l->window.log, (QStringList{"7 --> Hello J3", "7 --> Hello J11"}));
    ASSERT_EQ(pad('3').acknowledgements().size(), 1u);
    EXPECT_EQ(pad('3').acknowledgements()[0], "   7.5       Quelta"); // what follows "OK"
    // The next dive clears the awards.
    l->window.SpTBXItemNextDiveClick();
    EXPECT_TRUE(l->window.awards[3].isEmpty());
    EXPECT_TRUE(l->state.Awards[11].isEmpty());
}

TEST_F(Pads, JudgeIdsAreAcknowledgedWithTheirOwnVariantAndShownUnchanged)
{
    start(",");
    l->window.SpTBXItemJudgeClick();
    drain();
    EXPECT_EQ(pad('4').judgePrompt(), "Please enter    your Judge ID:");
    ASSERT_TRUE(l->bench.typeOnPad('4', "17"));
    drain();
    EXPECT_EQ(l->window.awards[4], "17");
    ASSERT_EQ(pad('4').acknowledgements().size(), 1u);
    EXPECT_EQ(pad('4').acknowledgements()[0], "  17      Quelta");
    // A keyboard command keeps judge-ID mode; a dive ends it.
    l->window.SpTBXItemLockClick();
    drain();
    EXPECT_TRUE(l->state.JudgeIdMode);
    l->window.SpTBXItemNextDiveClick();
    EXPECT_FALSE(l->state.JudgeIdMode);
}

TEST_F(Pads, HiddenScanAndLampClickGreetAgainWithPlainHellos)
{
    start();
    l->window.SpTBXItemHiddenClick();
    EXPECT_FALSE(l->window.enabled("SpTBXSubmenuItemScans"));
    EXPECT_FALSE(l->window.lampGreen[0]);
    drain();
    EXPECT_EQ(l->state.PadIds.count(), 12);
    EXPECT_EQ(l->bench.device().writes().front().bytes, QByteArray("\x02" "0\x1b" "3\x04"));
    EXPECT_TRUE(l->window.enabled("SpTBXSubmenuItemScans"));

    pad('a').config().present = false;
    l->window.LEDClick(10);
    EXPECT_FALSE(l->window.lampGreen[10]);
    EXPECT_TRUE(l->window.lampGreen[9]);
    drain();
    EXPECT_FALSE(l->state.PadIds.contains("a")); // it did not answer, so it is gone
    EXPECT_EQ(l->state.PadIds.count(), 11);
}

TEST_F(Pads, ASinglePadEchoShowsItsLongReply)
{
    start();
    l->window.JLabClick(11);
    l->loop.RunFor(100);
    EXPECT_EQ(l->window.lblEcho, "cJ11  0<CR>");
    EXPECT_TRUE(l->window.log.isEmpty());
}

} // namespace
