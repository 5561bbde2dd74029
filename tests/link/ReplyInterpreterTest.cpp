#include "LinkBench.h"

#include <gtest/gtest.h>

namespace {

// One module reply into the interpreter, on COM 4, with what it must change and log.
struct ReplyCase {
    const char* name;
    const char* reply;
    const char* log;         // empty: nothing logged
    const char* channel;     // ChannelText afterwards (starts "?")
    int bandwidth;           // BandwidthIndex afterwards (starts 1)
    bool channelKnown;
    int basePort;
    int refreshes;
};

class ReplyInterpreter : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(ReplyInterpreter, ReadsRepliesByLengthAndPositionEight)
{
    OpenBench b(4);
    b.state.ChannelText = "?";
    b.state.BandwidthIndex = 1;
    int refreshes = 0;
    struct Counter : WindowModel::Observer {
        int& n;
        explicit Counter(int& count) : n(count) {}
        void refreshed() override { ++n; }
    } counter{refreshes};
    b.window.setObserver(&counter);

    b.form.FixedDataPacketStringPacket(QByteArray(GetParam().reply));

    const QString log = GetParam().log;
    EXPECT_EQ(b.window.log, log.isEmpty() ? QStringList() : QStringList{log});
    EXPECT_EQ(b.state.ChannelText, QString(GetParam().channel));
    EXPECT_EQ(b.state.BandwidthIndex, GetParam().bandwidth);
    EXPECT_EQ(b.state.ChannelKnown, GetParam().channelKnown);
    EXPECT_EQ(b.state.BasePort, GetParam().basePort);
    EXPECT_EQ(refreshes, GetParam().refreshes);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReplyInterpreter,
    ::testing::Values(
        ReplyCase{"zero", "ER_CMD#0x", "", "?", 1, true, 0, 0},
        ReplyCase{"channel", "ER_CMD#C5", "4 <-- Channel=5", "5", 1, true, 0, 0},
        ReplyCase{"channel_not_a_digit", "ER_CMD#Cx", "", "?", 1, false, 0, 0},
        ReplyCase{"bandwidth_digit", "ER_CMD#B2", "4 <-- Bandwidth=2", "?", 2, false, 0, 1},
        ReplyCase{"bandwidth_six", "ER_CMD#B6", "4 <-- Bandwidth=4", "?", 4, false, 0, 1},
        ReplyCase{"bandwidth_question", "ER_CMD#B?", "4 <-- Bandwidth=4", "?", 4, false, 0, 1},
        ReplyCase{"bandwidth_outside_the_five", "ER_CMD#B7", "", "?", 1, false, 0, 0},
        ReplyCase{"bandwidth_not_a_digit", "ER_CMD#Bz", "", "?", 1, false, 0, 0},
        ReplyCase{"reset", "ER_CMD#R1", "4 <-- Channel reset to 7", "7", 1, false, 0, 0},
        ReplyCase{"nine_other", "ER_CMD#X1", "", "?", 1, false, 0, 0},
        ReplyCase{"dcs_off", "ER_CMD#A00", "4 <-- DCS IS OFF", "?", 1, false, 0, 1},
        ReplyCase{"dcs_on", "ER_CMD#A01", "4 <-- DCS IS ON", "?", 1, false, 0, 1},
        ReplyCase{"ten_other", "ER_CMD#C012", "", "?", 1, false, 0, 0},
        ReplyCase{"version", "ER_CMD#T3ERA400TRS-V1.02.3A", "4 <-- Base station version V1.02.3A", "?", 1, false, 4, 0},
        ReplyCase{"version_without_module_name", "ER_CMD#T3ERA400XYZ-V1.02.3A", "", "?", 1, false, 0, 0},
        ReplyCase{"short", "ER_C", "", "?", 1, false, 0, 0},
        ReplyCase{"empty", "", "", "?", 1, false, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VersionReply, FlagsFollowTheVersionText)
{
    struct Case {
        const char* reply;
        const char* text;
        bool dcs;
        bool era;
        bool reset;
        const char* log;
    };
    for (const Case c : {
             Case{"ER_CMD#T3ER400TRS-02V2.01.", "ER400TRS-02V2.01.", true, false, true, "02V2.01."},
             Case{"ER_CMD#T3ER400TRS-02V2.01.7", "ER400TRS-02V2.01.7", true, false, false, "02V2.01.7"},
             Case{"ER_CMD#T3ERA400TRS-1.02.3AB", "ERA400TRS-1.02.3AB", false, true, true, "1.02.3AB"},
         }) {
        OpenBench b(4);
        b.form.FixedDataPacketStringPacket(QByteArray(c.reply));
        EXPECT_EQ(b.state.BaseVersionText, QString(c.text));
        EXPECT_EQ(b.state.BaseHasDCS, c.dcs) << c.reply;
        EXPECT_EQ(b.state.BaseIsEra, c.era) << c.reply;
        EXPECT_EQ(b.state.BaseSupportsReset, c.reset) << c.reply;
        EXPECT_EQ(b.window.log, QStringList{QStringLiteral("4 <-- Base station version ") + c.log});
    }
}

TEST(VersionReply, ResetSupportOnceLostStaysLost)
{
    OpenBench b(4);
    b.form.FixedDataPacketStringPacket("ER_CMD#T3ER400TRS-02V2.01.7");
    b.form.FixedDataPacketStringPacket("ER_CMD#T3ERA400TRS-1.02.3AB");
    EXPECT_FALSE(b.state.BaseSupportsReset);
}

TEST(VersionReply, APendingFirmwareQueryRefreshesOnce)
{
    OpenBench b(4);
    b.state.VersionReplySize = 26;
    b.state.BaseIsEra = false; // as after a 26-character reply from a non-ERA module
    b.window.Refresh();        // asks again for all 27 characters
    EXPECT_EQ(b.state.VersionReplySize, 27);
    EXPECT_TRUE(b.state.FirmwareQueryPending);
    EXPECT_EQ(b.writesAsText(), (QStringList{"ER_CMD#T3", "ACK"}));
    b.form.FixedDataPacketStringPacket("ER_CMD#T3ER400TRS-02V2.01.7");
    EXPECT_FALSE(b.state.FirmwareQueryPending);
    EXPECT_EQ(b.writesAsText().size(), 2); // the refresh it caused did not ask again
    EXPECT_EQ(b.window.ChannelSpinEdit, 7);
    EXPECT_FALSE(b.window.rgCompatibilityVisible);
}

TEST(ReplyInterpreter, FlushesWhatFollowsTheReply)
{
    OpenBench b(4);
    b.form.FixedDataPacket.setPacketSize(9);
    b.form.FixedDataPacket.setEnabled(true);
    b.peer.send("ER_CMD#C3ER_CMD#C4"); // a longer reply than expected
    b.loop.Sleep(20);
    b.run(0);
    b.form.FixedDataPacket.setEnabled(true);
    b.peer.send("ER_CMD#C5");
    b.run(20);
    EXPECT_EQ(b.window.log, (QStringList{"4 <-- Channel=3", "4 <-- Channel=5"}));
}

} // namespace
