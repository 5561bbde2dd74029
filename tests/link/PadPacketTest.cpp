#include "AnsiCodePage.h"
#include "LinkBench.h"
#include "Wire.h"

#include <gtest/gtest.h>

namespace {

struct PacketCase {
    const char* name;
    const char* packet;
    const char* separator; // the user's decimal separator
    bool judgeIdMode;
    const char* log;       // empty: nothing logged
    const char* padIds;    // PadIds afterwards, concatenated (starts with "0" registered)
    const char* queued;    // the acknowledgement queued, empty for none
    int award;             // J-number whose award label changed, -1 for none
    const char* awardText;
    const char* echo;      // lblEcho afterwards
};

class PadPackets : public ::testing::TestWithParam<PacketCase> {};

TEST_P(PadPackets, AreHandledByTheirShape)
{
    const PacketCase& c = GetParam();
    OpenBench b(4, c.separator);
    b.form.RegisterPad("0", "912");
    b.window.Refresh(); // PadsFound
    b.window.log.clear();
    b.state.JudgeIdMode = c.judgeIdMode;

    b.form.FramedDataPacketStringPacket(bytes(c.packet));

    const QString log = c.log;
    EXPECT_EQ(b.window.log, log.isEmpty() ? QStringList() : QStringList{log});
    EXPECT_EQ(b.state.PadIds.items().join(""), QString(c.padIds));
    const QString queued = ansi::toUnicode(bytes(c.queued));
    EXPECT_EQ(b.state.SendQueue, queued.isEmpty() ? QStringList() : QStringList{queued});
    for (int j = 0; j < 12; ++j)
        EXPECT_EQ(b.window.awards[std::size_t(j)], j == c.award ? QString(c.awardText) : QString()) << j;
    EXPECT_EQ(b.window.lblEcho, QString(c.echo));
}

INSTANTIATE_TEST_SUITE_P(
    Pads, PadPackets,
    ::testing::Values(
        PacketCase{"hello_reply", "<STX>3<ACK>912<EOT>", ".", false, "4 <-- J3 here (v 912)", "03", "", -1, "", ""},
        PacketCase{"hello_reply_without_version", "<STX>c<ACK><EOT>", ".", false, "4 <-- J11 here (v )", "0c", "", -1,
                   "", ""},
        PacketCase{"five_characters_is_a_hello_reply", "<STX>a<ACK>12345<EOT>", ".", false,
                   "4 <-- J10 here (v 12345)", "0a", "", -1, "", ""},
        PacketCase{"registered_pad_is_only_logged", "<STX>0<ACK>999<EOT>", ".", false, "4 <-- J0 here (v 999)", "0",
                   "", -1, "", ""},
        PacketCase{"six_characters_is_a_long_reply", "<STX>3<ACK>3J3  0<EOT>", ".", false, "", "0", "", -1, "",
                   "3J3  0<CR>"},
        PacketCase{"long_reply_is_cut_at_sixteen", "<STX>3<ACK>abcdefghijklmnopqrst<EOT>", ".", false, "", "0", "",
                   -1, "", "abcdefghijklmnop<CR>qrst"},
        PacketCase{"the_last_stx_counts", "<STX>x<STX>5<ACK>9<EOT>", ".", false, "4 <-- J5 here (v 9)", "05", "", -1,
                   "", ""},
        PacketCase{"unknown_pad_id_is_ignored", "<STX>b<ACK>912<EOT>", ".", false, "", "0", "", -1, "", ""},
        PacketCase{"nothing_after_the_id_is_ignored", "<STX>3<EOT>", ".", false, "", "0", "", -1, "", ""},
        PacketCase{"nothing_after_the_last_stx_is_ignored", "<STX>3<STX><EOT>", ".", false, "", "0", "", -1, "", ""},
        PacketCase{"award_on_point_locale", "<STX>37.5<EOT>", ".", false, "", "0",
                   "<STX>3<ACK>OK   7.5       Quelta<ESC>1<EOT>", 3, "7.5", ""},
        PacketCase{"award_on_comma_locale", "<STX>c10.0<EOT>", ",", false, "", "0",
                   "<STX>c<ACK>OK   10.0       Quelta<ESC>1<EOT>", 11, "10,0", ""},
        PacketCase{"award_too_short_for_the_separator", "<STX>37<EOT>", ".", false, "", "0", "", -1, "", ""},
        PacketCase{"judge_id_is_shown_unchanged", "<STX>417<EOT>", ",", true, "", "0",
                   "<STX>4<ACK>OK  17      Quelta<ESC>1<EOT>", 4, "17", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PadPackets, LongReplyWithoutPadsLeavesNoTrace)
{
    LinkBench b;
    b.form.FramedDataPacketStringPacket(bytes("<STX>3<ACK>3J3  0<EOT>"));
    EXPECT_TRUE(b.window.log.isEmpty());
    EXPECT_TRUE(b.window.lblEcho.isEmpty());
}

TEST(PadPackets, RegisteringTurnsTheLampGreenAndKeepsOneEntryPerVersion)
{
    LinkBench b;
    b.form.RegisterPad("3", "912");
    b.form.RegisterPad("a", "912");
    b.form.RegisterPad("a", "1002");
    EXPECT_EQ(b.state.PadIds.items(), (QStringList{"3", "a"}));
    EXPECT_EQ(b.state.PadVersions.items(), QStringList{"912"});
    EXPECT_TRUE(b.window.lampGreen[3] && b.window.lampGreen[10]);
    EXPECT_TRUE(b.window.handCursor[10]);
    EXPECT_FALSE(b.window.lampGreen[0]);
}

} // namespace
