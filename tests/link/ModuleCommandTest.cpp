#include "LinkBench.h"

#include <gtest/gtest.h>

namespace {

struct CustomCase {
    const char* command;
    bool baseIsEra;
    int expectedLength;
};

class CustomCommand : public ::testing::TestWithParam<CustomCase> {};

TEST_P(CustomCommand, ExpectsTheReplyLengthOfItsText)
{
    OpenBench b(1);
    b.form.FramedDataPacket.AutoEnable = true;
    b.form.FramedDataPacket.setEnabled(true);
    b.state.BaseIsEra = GetParam().baseIsEra;

    b.form.SendCustomCmd(GetParam().command);

    EXPECT_TRUE(b.form.FixedDataPacket.enabled());
    EXPECT_EQ(b.form.FixedDataPacket.packetSize(), GetParam().expectedLength);
    EXPECT_FALSE(b.form.FramedDataPacket.enabled());
    EXPECT_FALSE(b.form.FramedDataPacket.AutoEnable);
    EXPECT_EQ(b.window.log, (QStringList{QStringLiteral("1 --> ") + GetParam().command, "1 --> ACK"}));
    ASSERT_EQ(b.device.writes().size(), 2u);
    EXPECT_EQ(b.device.writes()[0].bytes, QByteArray(GetParam().command));
    EXPECT_EQ(b.device.writes()[1].bytes, "ACK");
    EXPECT_EQ(b.device.writes()[1].atUs - b.device.writes()[0].atUs, 20000);
}

INSTANTIATE_TEST_SUITE_P(Module, CustomCommand,
                         ::testing::Values(CustomCase{"ER_CMD#C5", true, 9}, CustomCase{"ER_CMD#A01", true, 10},
                                           CustomCase{"ER_CMD#T3", true, 26}, CustomCase{"ER_CMD#T3", false, 27},
                                           CustomCase{"er_cmd#t3", false, 9}, CustomCase{" ER_CMD#T3", false, 10}));

TEST(CustomCommand, EmptyWritesNothingAndSaysWhy)
{
    OpenBench b(1);
    b.form.FramedDataPacket.AutoEnable = true;
    b.form.FramedDataPacket.setEnabled(true);
    b.form.FixedDataPacket.setPacketSize(9);
    b.form.FixedDataPacket.setEnabled(true);

    b.loop.runGuarded([&] { b.window.BtnCmdClick(); }); // edtCommand is empty

    EXPECT_TRUE(b.device.writes().empty());
    EXPECT_FALSE(b.form.FixedDataPacket.enabled());
    EXPECT_FALSE(b.form.FramedDataPacket.enabled());
    EXPECT_EQ(b.window.log, QStringList{"Error: Empty command not sent"});
}

TEST(CustomCommand, ToAClosedPortReachesTheErrorHandlerOnce)
{
    LinkBench b;
    b.loop.runGuarded([&] { b.form.SendCustomCmd("ER_CMD#C5"); });
    ASSERT_EQ(b.window.log.size(), 2);
    EXPECT_EQ(b.window.log[0], "0 --> ER_CMD#C5");
    EXPECT_EQ(b.window.log[1], "Error: COM0 is not open");
}

TEST(GetFirmwareString, QueriesSilentlyAndMarksTheQueryPending)
{
    OpenBench b(1);
    b.state.VersionReplySize = 27;
    b.form.GetFirmwareString();
    EXPECT_TRUE(b.state.FirmwareQueryPending);
    EXPECT_EQ(b.form.FixedDataPacket.packetSize(), 27);
    EXPECT_TRUE(b.window.log.isEmpty());
    EXPECT_EQ(b.writesAsText(), (QStringList{"ER_CMD#T3", "ACK"}));
}

} // namespace
