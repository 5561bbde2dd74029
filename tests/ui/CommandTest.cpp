// The window's commands against the simulated base station: what each one clears in the window,
// and what reaches the line (the bytes the simulated serial line carried are the ground truth).
#include "SimLink.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// Twelve pads (firmware 912, so dives are broadcast) found by a full scan on COM 7.
struct Scanned : ::testing::Test {
    void SetUp() override
    {
        l.bench.addBaseStation(7);
        l.window.SpTBXItemFullScanClick();
        ASSERT_TRUE(l.loop.RunUntil([&] { return l.scanEnded() && l.state.PadIds.count() == 12; }, 5000));
        ASSERT_TRUE(l.state.BroadcastMode);
        l.bench.device().clearWrites();
    }
    // Until the queue has run dry and what the pads sent has arrived.
    void drain()
    {
        l.loop.RunFor(50);
        ASSERT_TRUE(l.loop.RunUntil([&] { return !l.form.COMTimer->enabled(); }, 10000));
        l.loop.RunFor(50);
    }
    QList<QByteArray> writes()
    {
        QList<QByteArray> out;
        for (const auto& w : l.bench.device().writes())
            out << w.bytes;
        return out;
    }
    // The dive text of the one broadcast dive frame written: STX "FJ" SUB three blanks, the text,
    // ESC "0" EOT.
    QByteArray broadcastDive()
    {
        const QList<QByteArray> w = writes();
        if (w.size() != 1 || !w[0].startsWith("\x02" "FJ\x1a   ") || !w[0].endsWith("\x1b" "0\x04"))
            return "not one broadcast dive frame";
        return w[0].mid(7, w[0].size() - 10);
    }

    SimLink l;
};

TEST_F(Scanned, NextDiveSendsTheTenSampleDivesInTurnAndEmptiesTheAwardsFirst)
{
    const char* dives[] = {"103B 3m    First Diver",   "201B 3m    Diver Two",  "301B 1m    Third Diver",
                           "403B 3m    Diver Four",    "5134D 3m   Fifth Diver", "107C 5m    Diver Six",
                           "205B 10m   Seventh Diver", "305C 10m   Diver Eight", "405B 3m    Ninth Diver",
                           "5152D 3m   Diver Ten",     "103B 3m    First Diver"};
    const int lengths[] = {22, 20, 22, 21, 22, 20, 24, 22, 22, 20, 22};
    struct Order : WindowModel::Observer {
        std::vector<int> awards;
        void awardChanged(int j) override { awards.push_back(j); }
    } order;
    l.window.setObserver(&order);
    for (int click = 0; click < 11; ++click) {
        for (int j = 0; j < 12; ++j)
            l.window.awards[std::size_t(j)] = QStringLiteral("9.5");
        order.awards.clear();
        l.bench.device().clearWrites();

        l.window.SpTBXItemNextDiveClick();
        EXPECT_EQ(order.awards, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11})) << click;
        for (const QString& award : l.window.awards)
            EXPECT_TRUE(award.isEmpty()) << click;
        drain();
        const QByteArray dive = broadcastDive();
        EXPECT_EQ(dive, dives[click]) << click;
        EXPECT_EQ(dive.size(), lengths[click]) << click;
        EXPECT_EQ(l.bench.pad('c').diveText(), dives[click]) << click; // and the pads show it
    }
    EXPECT_EQ(l.window.SampleDiveIndex, 1);
}

struct CharCase {
    const char* box;      // the start value typed into the command box
    QByteArray sent;      // the ten characters as they reached the line
    const char* left;     // what the box holds afterwards
};

class CharacterTest : public Scanned, public ::testing::WithParamInterface<CharCase> {};

TEST_P(CharacterTest, SendsTenConsecutiveCodesAndAdvancesTheBox)
{
    l.window.edtCommand = QString::fromLatin1(GetParam().box);
    l.window.SpTBXCharTestClick();
    drain();
    EXPECT_EQ(broadcastDive().toHex(' '), GetParam().sent.toHex(' '));
    EXPECT_EQ(l.window.edtCommand, QString::fromLatin1(GetParam().left));
}

INSTANTIATE_TEST_SUITE_P(
    Window, CharacterTest,
    ::testing::Values(
        CharCase{"", "\xa0\xa1\xa2\xa3\xa4\xa5\xa6\xa7\xa8\xa9", "170"},
        CharCase{"abc", "\xa0\xa1\xa2\xa3\xa4\xa5\xa6\xa7\xa8\xa9", "170"},
        CharCase{"99999999999", "\xa0\xa1\xa2\xa3\xa4\xa5\xa6\xa7\xa8\xa9", "170"}, // beyond 32 bits
        CharCase{"250", "\xf6\xf7\xf8\xf9\xfa\xfb\xfc\xfd\xfe\xff", "256"},
        CharCase{"65", "ABCDEFGHIJ", "75"},
        // 65531 to 65535 have no character in the code page, then 0 to 4 (STX and EOT among them:
        // a developer's test of what the pads make of control characters).
        CharCase{"-5", QByteArray("?????\x00\x01\x02\x03\x04", 10), "5"}));

TEST_F(Scanned, CharacterTestFromAnEmptyBoxWalksUpTo255AndStaysThere)
{
    QStringList left;
    QList<int> first;
    for (int click = 0; click < 11; ++click) {
        l.bench.device().clearWrites();
        l.window.SpTBXCharTestClick();
        drain();
        first << static_cast<unsigned char>(broadcastDive().at(0));
        left << l.window.edtCommand;
    }
    EXPECT_EQ(first, (QList<int>{160, 170, 180, 190, 200, 210, 220, 230, 240, 246, 246}));
    EXPECT_EQ(left, (QStringList{"170", "180", "190", "200", "210", "220", "230", "240", "250", "256", "256"}));
}

TEST_F(Scanned, LampAndJLabelClicksAddressThePadOfTheirNumber)
{
    const char ids[] = "0123456789ac";
    for (int j = 0; j < 12; ++j) {
        // A lamp greets its pad again; only that lamp turns red until the pad answers.
        l.bench.device().clearWrites();
        l.window.LEDClick(j);
        for (int k = 0; k < 12; ++k)
            EXPECT_EQ(l.window.lampGreen[std::size_t(k)], k != j) << j << " " << k;
        drain();
        ASSERT_EQ(writes().size(), 1u) << j;
        EXPECT_EQ(writes()[0], QByteArray("\x02") + ids[j] + "\x1b" "3\x04") << j;
        EXPECT_TRUE(l.window.lampGreen[std::size_t(j)]) << j; // it answered

        // A J-label asks its pad for an echo, shown in the status line.
        l.bench.device().clearWrites();
        l.window.JLabClick(j);
        ASSERT_EQ(writes().size(), 1u) << j;
        EXPECT_EQ(writes()[0], QByteArray("\x02") + ids[j] + "\x1b" "4\x04") << j;
        l.loop.RunFor(100);
        EXPECT_TRUE(l.window.lblEcho.startsWith(QChar::fromLatin1(ids[j]) + QStringLiteral("J%1").arg(j)))
            << l.window.lblEcho.toStdString();
    }
}

struct ClearCase {
    const char* command;
    std::function<void(WindowModel&)> click;
    bool clearsEcho;
    bool clearsLog;
};

class WhatACommandClears : public Scanned, public ::testing::WithParamInterface<ClearCase> {};

TEST_P(WhatACommandClears, TheStatusLineAndTheLog)
{
    l.window.ShowEcho(QStringLiteral("cJ11  0<CR>"));
    l.window.LogLine(QStringLiteral("an earlier line"));
    l.loop.runGuarded([&] { GetParam().click(l.window); });
    EXPECT_EQ(l.window.lblEcho.isEmpty(), GetParam().clearsEcho);
    EXPECT_EQ(!l.window.log.contains(QStringLiteral("an earlier line")), GetParam().clearsLog);
}

INSTANTIATE_TEST_SUITE_P(
    Window, WhatACommandClears,
    ::testing::Values(
        ClearCase{"FullScan", [](WindowModel& w) { w.SpTBXItemFullScanClick(); }, true, true},
        ClearCase{"ActivePort", [](WindowModel& w) { w.SpTBXItemActivePortClick(); }, true, false},
        ClearCase{"Hidden", [](WindowModel& w) { w.SpTBXItemHiddenClick(); }, true, false},
        ClearCase{"NextDive", [](WindowModel& w) { w.SpTBXItemNextDiveClick(); }, true, false},
        ClearCase{"Judge", [](WindowModel& w) { w.SpTBXItemJudgeClick(); }, true, false},
        ClearCase{"Lock", [](WindowModel& w) { w.SpTBXItemLockClick(); }, true, false},
        ClearCase{"Unlock", [](WindowModel& w) { w.SpTBXItemUnlockClick(); }, true, false},
        ClearCase{"Echo", [](WindowModel& w) { w.SpTBXItemEchoClick(); }, true, true},
        ClearCase{"CharTest", [](WindowModel& w) { w.SpTBXCharTestClick(); }, false, false},
        ClearCase{"Abort", [](WindowModel& w) { w.BtnAbortClick(); }, false, false},
        ClearCase{"SetChannel", [](WindowModel& w) { w.BtnSetChannelClick(); }, true, false},
        ClearCase{"Reset", [](WindowModel& w) { w.BtnResetClick(); }, true, false},
        ClearCase{"SendCmd", [](WindowModel& w) { w.BtnCmdClick(); }, true, false},
        ClearCase{"Bandwidth", [](WindowModel& w) { w.RgBandwidthClick(2); }, false, false},
        ClearCase{"V3", [](WindowModel& w) { w.RgCompatibilityClick(0); }, false, false},
        ClearCase{"DcsOn", [](WindowModel& w) { w.RgDCSClick(0); }, true, false},
        ClearCase{"DcsNothingSelected", [](WindowModel& w) { w.RgDCSClick(-1); }, false, false},
        ClearCase{"Broadcast", [](WindowModel& w) { w.Chk1Click(false); }, false, false},
        ClearCase{"Lamp", [](WindowModel& w) { w.LEDClick(3); }, true, false},
        ClearCase{"JLabel", [](WindowModel& w) { w.JLabClick(3); }, true, false}),
    [](const auto& info) { return std::string(info.param.command); });

struct RadioCase {
    const char* what;
    std::function<void(WindowModel&)> click;
    char bandwidthCode; // of the module afterwards
    bool dcs;
};

class RadioChoices : public Scanned, public ::testing::WithParamInterface<RadioCase> {};

TEST_P(RadioChoices, ReachTheModule)
{
    ASSERT_EQ(l.bench.module().bandwidthCode(), '6');
    ASSERT_FALSE(l.bench.module().dcs());
    l.window.SetPadAnswered(5);
    GetParam().click(l.window);
    for (const bool green : l.window.lampGreen)
        EXPECT_FALSE(green); // every choice turns the lamps red first
    drain();
    EXPECT_EQ(l.bench.module().bandwidthCode(), GetParam().bandwidthCode);
    EXPECT_EQ(l.bench.module().dcs(), GetParam().dcs);
}

INSTANTIATE_TEST_SUITE_P(
    Window, RadioChoices,
    ::testing::Values(RadioCase{"V3", [](WindowModel& w) { w.RgCompatibilityClick(0); }, '3', false},
                      RadioCase{"V2", [](WindowModel& w) { w.RgCompatibilityClick(1); }, '6', false},
                      RadioCase{"Bandwidth50", [](WindowModel& w) { w.RgBandwidthClick(2); }, '2', false},
                      RadioCase{"DcsOn", [](WindowModel& w) { w.RgDCSClick(0); }, '6', true},
                      RadioCase{"DcsOnThenOff",
                                [](WindowModel& w) {
                                    w.RgDCSClick(0);
                                    w.RgDCSClick(1);
                                },
                                '6', false}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(Scanned, RefreshWritesNothingButTheSecondVersionQueryOfANonEraModule)
{
    // Whatever bandwidth Refresh selects, it sends no bandwidth command.
    for (int bandwidth = 0; bandwidth <= 4; ++bandwidth) {
        l.state.BandwidthIndex = bandwidth;
        l.window.Refresh();
    }
    l.loop.RunFor(200);
    EXPECT_TRUE(writes().isEmpty());

    // After a 26-character reply of a module without "ERA": one more query, for 27 characters.
    l.state.BaseIsEra = false;
    l.state.VersionReplySize = 26;
    l.window.Refresh();
    EXPECT_EQ(l.state.VersionReplySize, 27);
    EXPECT_EQ(writes(), (QList<QByteArray>{"ER_CMD#T3", "ACK"}));
    l.window.Refresh();
    EXPECT_EQ(writes().size(), 2);
    EXPECT_EQ(l.window.ChannelSpinEdit, 7);
    EXPECT_FALSE(l.window.rgCompatibilityVisible);
}

TEST_F(Scanned, ScansComeBackWithEveryRefresh)
{
    l.window.SpTBXItemHiddenClick();
    EXPECT_FALSE(l.window.enabled(QStringLiteral("SpTBXSubmenuItemScans")));
    l.window.Refresh(); // as after a DCS or bandwidth reply in the middle of it
    EXPECT_TRUE(l.window.enabled(QStringLiteral("SpTBXSubmenuItemScans")));
}

TEST(NoBaseStation, PadClicksEndInTheErrorHandlerNotOnTheLine)
{
    // The window takes no such clicks before a base station is found; the console front end
    // can still give them, through the general error handler as every command.
    SimLink l;
    l.loop.runGuarded([&] { l.window.LEDClick(10); });
    l.loop.runGuarded([&] { l.window.JLabClick(11); });
    l.loop.RunFor(500);
    EXPECT_TRUE(l.bench.device().writes().empty());
    EXPECT_TRUE(l.window.log.contains(QStringLiteral("Error: COM0 is not open"))) << l.window.log.join(u'|').toStdString();
}

} // namespace
