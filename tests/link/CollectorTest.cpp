#include "ComPort.h"
#include "DataPacket.h"
#include "Errors.h"
#include "LinkBench.h"

#include <gtest/gtest.h>

namespace {

// The two collectors on a port, driven by a tiny script:
//   open, close, flush, "fixed N" (size N and enable), "size N" (size only), "enable",
//   "fixed off",
//   "framed auto" / "framed once" (enable with or without AutoEnable), "send TEXT", "wait MS".
struct CollectorBench {
    CollectorBench()
    {
        board.plug("/dev/x", peer);
        catalog.set(1, "/dev/x");
        port.setComNumber(1);
        framed.setStartString("\x02");
        framed.setEndString("\x04");
        fixed.setOnPacket([this](const QByteArray& d) { delivered << "F:" + QString::fromLatin1(d); });
        framed.setOnPacket([this](const QByteArray& d) { delivered << "P:" + QString::fromLatin1(d); });
    }

    void step(const std::string& line)
    {
        const auto space = line.find(' ');
        const std::string verb = line.substr(0, space);
        const std::string arg = space == std::string::npos ? "" : line.substr(space + 1);
        if (verb == "open") port.Open();
        else if (verb == "close") port.Close();
        else if (verb == "flush") port.FlushInBuffer();
        else if (verb == "fixed" && arg == "off") fixed.setEnabled(false);
        else if (verb == "fixed") { fixed.setPacketSize(std::stoi(arg)); fixed.setEnabled(true); }
        else if (verb == "size") fixed.setPacketSize(std::stoi(arg));
        else if (verb == "enable") fixed.setEnabled(true);
        else if (verb == "framed") { framed.AutoEnable = arg == "auto"; framed.setEnabled(true); }
        else if (verb == "send") { peer.send(bytes(arg.c_str())); loop.RunFor(20); }
        else if (verb == "wait") loop.RunFor(std::stoi(arg));
        else FAIL() << "unknown step " << line;
    }

    VirtualEventLoop loop;
    VirtualPortBoard board;
    VirtualSerialDevice device{loop, board};
    FixedPortCatalog catalog;
    ScriptedPeer peer;
    ComPort port{loop, device, catalog};
    FixedDataPacket fixed{port, loop};
    FramedDataPacket framed{port, loop};
    QStringList delivered;
};

struct RuleCase {
    const char* name;
    std::vector<std::string> script;
    QStringList delivered;
};

class CollectorRules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(CollectorRules, DeliverExactlyThesePackets)
{
    CollectorBench bench;
    for (const std::string& line : GetParam().script)
        bench.step(line);
    EXPECT_EQ(bench.delivered, GetParam().delivered);
}

INSTANTIATE_TEST_SUITE_P(
    Collectors, CollectorRules,
    ::testing::Values(
        RuleCase{"fixed_takes_any_characters_then_disables",
                 {"open", "fixed 9", "send ER_CMD#C7xyz", "send ER_CMD#C5"},
                 {"F:ER_CMD#C7"}},
        RuleCase{"length_set_while_enabled_waits_for_next_collection",
                 {"open", "fixed 9", "size 5", "send ABCDEFGHI", "enable", "send 123456789"},
                 {"F:ABCDEFGHI", "F:12345"}},
        RuleCase{"enabling_an_enabled_collector_keeps_its_collection",
                 {"open", "fixed 4", "send ab", "fixed 4", "send cd"},
                 {"F:abcd"}},
        RuleCase{"framed_auto_enable_keeps_collecting_and_skips_noise",
                 {"open", "framed auto", "send xx<STX>1<ACK>910<EOT>yy<STX>2<EOT>"},
                 {"P:\x02" "1\x06" "910\x04", "P:\x02" "2\x04"}},
        RuleCase{"framed_without_auto_enable_takes_one_packet",
                 {"open", "framed once", "send <STX>1<EOT><STX>2<EOT>"},
                 {"P:\x02" "1\x04"}},
        RuleCase{"fixed_timeout_runs_from_enabling",
                 {"open", "fixed 5", "wait 1000", "send abcde"},
                 {}},
        RuleCase{"fixed_timeout_discards_partial_packet",
                 {"open", "fixed 5", "send ab", "wait 1000", "send cdefg"},
                 {}},
        RuleCase{"framed_timeout_runs_from_start_string",
                 {"open", "framed auto", "wait 2000", "send <STX>9<EOT>", "send <STX>12", "wait 1000",
                  "send 3<EOT><STX>4<EOT>"},
                 {"P:\x02" "9\x04"}},
        RuleCase{"close_ends_collection_reopen_starts_with_length_in_force",
                 {"open", "fixed 9", "send ABC", "close", "size 5", "open", "send vwxyz"},
                 {"F:vwxyz"}},
        RuleCase{"enabled_while_closed_starts_when_the_port_opens",
                 {"fixed 3", "wait 2000", "open", "send xyz"},
                 {"F:xyz"}},
        RuleCase{"disable_drops_collection",
                 {"open", "fixed 4", "send ab", "fixed off", "fixed 4", "send cdef"},
                 {"F:cdef"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Collectors, AHandlerThatFlushesDropsTheRestOfTheChunk)
{
    CollectorBench bench;
    bench.step("open");
    bench.fixed.setOnPacket([&](const QByteArray& d) {
        bench.delivered << "F:" + QString::fromLatin1(d);
        bench.fixed.setPacketSize(3);
        bench.fixed.setEnabled(true); // would take the tail without the flush
        bench.port.FlushInBuffer();
    });
    bench.fixed.setPacketSize(4);
    bench.fixed.setEnabled(true);
    // All eight bytes reach the driver while the program is busy, so they arrive as one chunk.
    bench.peer.send("abcdefgh");
    bench.loop.Sleep(10);
    bench.loop.RunFor(0);
    bench.peer.send("xyz");
    bench.loop.RunFor(20);
    EXPECT_EQ(bench.delivered, (QStringList{"F:abcd", "F:xyz"}));
}

TEST(Collectors, ZeroLengthIsRefusedAndLeavesTheCollectorDisabled)
{
    CollectorBench bench;
    bench.step("open");
    bench.fixed.setPacketSize(0);
    EXPECT_THROW(bench.fixed.setEnabled(true), QueltaError);
    EXPECT_FALSE(bench.fixed.enabled());
}

} // namespace
