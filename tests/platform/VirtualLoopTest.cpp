#include "Errors.h"
#include "VirtualEventLoop.h"
#include "VirtualSerialDevice.h"

#include <gtest/gtest.h>

namespace {

// Answers every byte it receives with the same byte, after a delay.
class EchoPeer : public SerialPeer {
public:
    explicit EchoPeer(VirtualEventLoop& loop) : loop_(loop) {}
    void receive(char byte, VirtualSerialDevice& line) override
    {
        received.push_back({loop_.nowUs(), byte});
        loop_.post(loop_.nowUs() + delayUs, VirtualEventLoop::Kind::Device,
                   [this, &line, byte] { line.peerSend(*this, QByteArray(1, byte)); });
    }
    std::vector<std::pair<qint64, char>> received;
    qint64 delayUs = 1500;

private:
    VirtualEventLoop& loop_;
};

struct Line : ::testing::Test {
    VirtualEventLoop loop;
    VirtualPortBoard board;
    VirtualSerialDevice device{loop, board};
    EchoPeer peer{loop};
    QByteArray got;
    std::vector<qint64> gotAtUs;

    void SetUp() override
    {
        board.plug("/dev/a", peer);
        board.plugRefusing("/dev/held");
        device.setOnBytes([this](const QByteArray& b) {
            got += b;
            gotAtUs.push_back(loop.nowUs());
        });
    }
};

TEST_F(Line, BytesTravelAtTheBaudRate)
{
    device.open("/dev/a");
    device.write("AB");
    loop.RunFor(10);
    ASSERT_EQ(peer.received.size(), 2u);
    EXPECT_EQ(peer.received[0].first, VirtualSerialDevice::kByteUs);
    EXPECT_EQ(peer.received[1].first, 2 * VirtualSerialDevice::kByteUs);
    EXPECT_EQ(got, "AB");
    EXPECT_EQ(gotAtUs[0], VirtualSerialDevice::kByteUs + 1500 + VirtualSerialDevice::kByteUs);
}

TEST_F(Line, SleepLetsTheDeviceRunButHoldsProgramEventsUntilTheHandlerReturns)
{
    device.open("/dev/a");
    device.write("X");
    loop.Sleep(20);
    EXPECT_EQ(peer.received.size(), 1u); // the peer heard it during the pause
    EXPECT_TRUE(got.isEmpty());          // but the program did not
    loop.RunFor(0);
    EXPECT_EQ(got, "X");
    EXPECT_EQ(loop.elapsedMs(), 20);
}

TEST_F(Line, FlushDropsWhatArrivedButNotWhatIsStillOnTheWire)
{
    device.open("/dev/a");
    device.write("XY");
    loop.Sleep(3); // X has come back, Y is still on its way
    device.flushInput();
    loop.RunFor(10);
    EXPECT_EQ(got, "Y");
}

TEST_F(Line, OpenFailuresAndClosedWrites)
{
    EXPECT_THROW(device.open("/dev/none"), PortError);
    EXPECT_THROW(device.open("/dev/held"), PortError);
    EXPECT_FALSE(device.isOpen());
    EXPECT_THROW(device.write("A"), PortError);
}

TEST_F(Line, CloseDropsRepliesInFlightAndHangUpIsReportedOnce)
{
    peer.delayUs = 1000;
    device.open("/dev/a");
    device.write("A");
    loop.RunFor(2); // the echo is on the wire
    device.close();
    device.open("/dev/a");
    loop.RunFor(10);
    EXPECT_TRUE(got.isEmpty());

    int failures = 0;
    device.setOnFailure([&](const QString&) { ++failures; });
    device.hangUp("gone");
    device.hangUp("gone again");
    loop.RunFor(1);
    EXPECT_FALSE(device.isOpen());
    EXPECT_EQ(failures, 1);
}

TEST(VirtualLoop, RunUntilStopsAtThePredicateOrTheLimit)
{
    VirtualEventLoop loop;
    auto timer = loop.createTimer();
    int ticks = 0;
    timer->setInterval(50);
    timer->setOnTick([&] { ++ticks; });
    timer->setEnabled(true);
    EXPECT_TRUE(loop.RunUntil([&] { return ticks == 3; }, 1000));
    EXPECT_EQ(loop.elapsedMs(), 150);
    EXPECT_FALSE(loop.RunUntil([] { return false; }, 100));
    EXPECT_EQ(loop.elapsedMs(), 250);
}

} // namespace
