#include "AnsiCodePage.h"
#include "LinkBench.h"
#include "Wire.h"

#include <gtest/gtest.h>

namespace {

struct FrameCase {
    const char* name;
    QString frame;
    const char* expected;
};

class Frames : public ::testing::TestWithParam<FrameCase> {};

TEST_P(Frames, HaveTheirExactBytes)
{
    EXPECT_EQ(ansi::fromUnicode(GetParam().frame), bytes(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Wire, Frames,
    ::testing::Values(
        FrameCase{"hello_digit", wire::labelledHelloFrame('3'), "<STX>3J3<ESC>13<EOT>"},
        FrameCase{"hello_a", wire::labelledHelloFrame('a'), "<STX>aJ10<ESC>13<EOT>"},
        FrameCase{"hello_c", wire::labelledHelloFrame('c'), "<STX>cJ11<ESC>13<EOT>"},
        FrameCase{"plain_hello", wire::plainHelloFrame('7'), "<STX>7<ESC>3<EOT>"},
        FrameCase{"lock", wire::lockFrame('0', true), "<STX>0<ESC>1<EOT>"},
        FrameCase{"unlock", wire::lockFrame('c', false), "<STX>c<ESC>0<EOT>"},
        FrameCase{"judge_id_request", wire::judgeIdRequestFrame('2'),
                  "<STX>2Please enter    your Judge ID:<ESC>02<EOT>"},
        FrameCase{"dive_5", wire::diveFrame('5', "103B"), "<STX>5J5   103B<ESC>0<EOT>"},
        FrameCase{"dive_a", wire::diveFrame('a', "103B"), "<STX>aJ10  103B<ESC>0<EOT>"},
        FrameCase{"broadcast_dive", wire::broadcastDiveFrame("103B"), "<STX>FJ<SUB>   103B<ESC>0<EOT>"},
        FrameCase{"echo", wire::echoFrame('a', 12), "<STX>aJ10  12<ESC>4<EOT>"},
        FrameCase{"bare_echo", wire::bareEchoFrame('4'), "<STX>4<ESC>4<EOT>"},
        FrameCase{"ack_award", wire::acknowledgementFrame('3', "7.5", false),
                  "<STX>3<ACK>OK   7.5       Quelta<ESC>1<EOT>"},
        FrameCase{"ack_judge_id", wire::acknowledgementFrame('3', "17", true),
                  "<STX>3<ACK>OK  17      Quelta<ESC>1<EOT>"},
        FrameCase{"channel_query", wire::channelQuery(), "ER_CMD#C?"},
        FrameCase{"channel_command", wire::channelCommand(5), "ER_CMD#C5"},
        FrameCase{"bandwidth_300", wire::bandwidthCommand(4), "ER_CMD#B6"},
        FrameCase{"bandwidth_12_5", wire::bandwidthCommand(0), "ER_CMD#B0"},
        FrameCase{"dcs_on", wire::dcsCommand(true), "ER_CMD#A01"},
        FrameCase{"reset", wire::resetCommand(true), "ER_CMD#R1"},
        FrameCase{"reset_as_channel_7", wire::resetCommand(false), "ER_CMD#C7"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Wire, FrameLengthsAndTextPositions)
{
    EXPECT_EQ(wire::labelledHelloFrame('9').size(), 8);
    EXPECT_EQ(wire::labelledHelloFrame('a').size(), 9);
    EXPECT_EQ(wire::judgeIdRequestFrame('0').size(), 36);
    // The dive text starts at position 8 (index 7) in both dive frames.
    for (const QString& frame : {wire::diveFrame('5', "X"), wire::diveFrame('c', "X"), wire::broadcastDiveFrame("X")})
        EXPECT_EQ(frame.indexOf(u'X'), 7) << frame.toStdString();
    EXPECT_EQ(wire::acknowledgementFrame('1', "7.5", false).size(), 3 + 24);
    EXPECT_EQ(wire::acknowledgementFrame('1', "7.5", true).size(), 3 + 22);
}

TEST(Wire, JNumbers)
{
    struct Case {
        char16_t id;
        int j;
    };
    for (const Case c : {Case{u'0', 0}, Case{u'9', 9}, Case{u'a', 10}, Case{u'c', 11}, Case{u'b', -1},
                         Case{u'F', -1}, Case{u'\x02', -1}})
        EXPECT_EQ(wire::JNumber(QChar(c.id)), c.j) << int(c.id);
    EXPECT_EQ(wire::ControlChars()[4], QString(QChar(27)));
    EXPECT_EQ(wire::ModuleCommands()[9].size(), 34);
}

TEST(SortedTextList, SortsAsTextIgnoringCaseAndDuplicates)
{
    SortedTextList versions;
    EXPECT_TRUE(versions.add("910"));
    EXPECT_FALSE(versions.add("910"));
    versions.add("0");
    versions.add("1002");
    EXPECT_EQ(versions.items(), (QStringList{"0", "1002", "910"}));

    SortedTextList ids;
    for (const char* id : {"c", "3", "a", "0", "A"})
        ids.add(id);
    EXPECT_EQ(ids.items(), (QStringList{"0", "3", "a", "c"}));
    EXPECT_TRUE(ids.remove("a"));
    EXPECT_FALSE(ids.contains("a"));
}

} // namespace
