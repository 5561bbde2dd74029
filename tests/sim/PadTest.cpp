#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <Errors.h>

namespace {

using sim::kByteUs;

QByteArray frame(const QByteArray& body)
{
    return sim::kStx + body + sim::kEot;
}

const QByteArray kEsc(1, sim::kEsc);
const QByteArray kAckChar(1, sim::kAck);

struct Pads : ::testing::Test {
    VirtualEventLoop loop;
    std::unique_ptr<sim::Bench> bench;
    std::unique_ptr<ProgramEnd> program;

    void SetUp() override { start(sim::StationConfig{}); }
    void start(sim::StationConfig config, std::uint64_t seed = 1)
    {
        program.reset();
        bench.reset();
        bench = std::make_unique<sim::Bench>(loop, std::move(config), seed);
        bench->addBaseStation(7);
        program = std::make_unique<ProgramEnd>(*bench);
        program->open(7);
    }
    QByteArray exchange(const QByteArray& bytes)
    {
        program->forget();
        program->write(bytes);
        program->run(100);
        return program->got;
    }
};

TEST_F(Pads, AnswerEachFrameKindAsItsIdAndCodesAsk)
{
    struct Case {
        const char* what;
        QByteArray sent;
        QByteArray reply;
    };
    const Case cases[] = {
        {"labelled hello", frame("3J3" + kEsc + "13"), frame("3" + kAckChar + "912")},
        {"labelled hello with a two-digit J-number", frame("aJ10" + kEsc + "13"), frame("a" + kAckChar + "912")},
        {"plain hello", frame("c" + kEsc + "3"), frame("c" + kAckChar + "912")},
        {"hello to a pad with no version", frame("5" + kEsc + "3"), frame("5" + kAckChar)},
        {"hello to a pad with a five-character version", frame("6" + kEsc + "3"), frame("6" + kAckChar + "10023")},
        {"hello to an absent pad", frame("4" + kEsc + "3"), ""},
        {"hello to an ID outside the alphabet", frame("b" + kEsc + "3"), ""},
        {"echo", frame("3J3  12" + kEsc + "4"), frame("3" + kAckChar + "3J3  12")},
        {"echo to a two-digit J-number", frame("aJ10  7" + kEsc + "4"), frame("a" + kAckChar + "aJ10  7")},
        {"bare echo before any echo", frame("9" + kEsc + "4"), frame("9" + kAckChar + "9J9  0")},
        {"lock", frame("3" + kEsc + "1"), ""},
        {"unlock", frame("3" + kEsc + "0"), ""},
        {"judge-ID request", frame("3Please enter    your Judge ID:" + kEsc + "02"), ""},
        {"dive", frame("3J3   101B" + kEsc + "0"), ""},
        {"acknowledgement", frame("3" + kAckChar + "OK   7.5       Quelta" + kEsc + "1"), ""},
        {"frame without codes", frame("3hello"), ""},
        {"empty frame", frame(""), ""},
    };
    sim::StationConfig config;
    config.pads[4].present = false;
    config.pads[5].version = "";
    config.pads[6].version = "10023";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        start(config);
        EXPECT_EQ(sim::printable(exchange(c.sent)), sim::printable(c.reply));
    }
}

TEST_F(Pads, ABareEchoCarriesTheLastLoopThePadHeard)
{
    exchange(frame("3J3  12" + kEsc + "4"));
    EXPECT_EQ(bench->pad('3').lastLoop(), "12");
    const QByteArray reply = exchange(frame("3" + kEsc + "4"));
    EXPECT_EQ(sim::printable(reply), sim::printable(frame("3" + kAckChar + "3J3  12")));
    // Six characters or more after the ACK: the long reply the program shows.
    EXPECT_GE(reply.size() - 4, 6);
}

TEST_F(Pads, KeepWhatTheyWereToldToShow)
{
    sim::Pad& pad = bench->pad('a');
    exchange(frame("aJ10" + kEsc + "13"));
    EXPECT_TRUE(pad.locked());
    exchange(frame("aPlease enter    your Judge ID:" + kEsc + "02"));
    EXPECT_FALSE(pad.locked());
    EXPECT_EQ(pad.judgePrompt(), "Please enter    your Judge ID:");
    exchange(frame("a" + kAckChar + "OK  J17      Quelta" + kEsc + "1"));
    EXPECT_TRUE(pad.locked());
    exchange(frame("aJ10  205B 3.0" + kEsc + "0"));
    EXPECT_FALSE(pad.locked());
    EXPECT_EQ(pad.diveText(), "205B 3.0");
    exchange(frame("a" + kEsc + "1"));
    EXPECT_TRUE(pad.locked());
    ASSERT_EQ(pad.acknowledgements().size(), 1u);
    EXPECT_EQ(pad.acknowledgements()[0], "  J17      Quelta");
    // Nothing of it went to the other pads.
    EXPECT_TRUE(bench->pad('0').down().empty());
    EXPECT_TRUE(bench->pad('0').diveText().isEmpty());
}

TEST_F(Pads, ABroadcastDiveReachesEveryPresentPadAndNoneAnswers)
{
    start(sim::StationConfig::withPads("0259c"));
    const QByteArray reply = exchange(frame("FJ" + QByteArray(1, sim::kSub) + "   305C 2.8" + kEsc + "0"));
    EXPECT_TRUE(reply.isEmpty());
    for (int j = 0; j < sim::kPadCount; ++j) {
        const sim::Pad& pad = bench->station().padAt(j);
        SCOPED_TRACE(pad.id());
        if (pad.present()) {
            EXPECT_EQ(pad.diveText(), "305C 2.8");
            ASSERT_EQ(pad.down().size(), 1u);
            EXPECT_EQ(pad.down()[0].kind, sim::FrameKind::BroadcastDive);
        } else {
            EXPECT_TRUE(pad.down().empty());
        }
    }
}

TEST_F(Pads, RepliesTakeTheAirAndThePadsDelayAndTheRecordSaysWhen)
{
    sim::StationConfig config;
    config.air.latencyDownUs = 2000;
    config.air.latencyUpUs = 5000;
    config.pads[3].latencyUpUs = 40000; // a pad at the far end of the pool
    config.pads[3].replyDelayUs = 7000;
    start(config);
    const QByteArray hello = frame("3" + kEsc + "3");
    program->write(hello);
    program->run(200);

    const qint64 eotAtBaseUs = hello.size() * kByteUs;
    const sim::Pad& pad = bench->pad('3');
    ASSERT_EQ(pad.down().size(), 1u);
    EXPECT_EQ(pad.down()[0].sentUs, eotAtBaseUs);
    EXPECT_EQ(pad.down()[0].arrivesUs, eotAtBaseUs + 2000);
    ASSERT_EQ(pad.up().size(), 1u);
    EXPECT_EQ(pad.up()[0].sentUs, eotAtBaseUs + 2000 + 7000);
    EXPECT_EQ(pad.up()[0].arrivesUs, eotAtBaseUs + 2000 + 7000 + 40000);

    const auto frames = program->frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(program->atUs.front(), pad.up()[0].arrivesUs + kByteUs);
    EXPECT_EQ(frames[0].endUs, pad.up()[0].atProgramUs);
}

TEST_F(Pads, LateRepliesStayWithinTheirJitterBound)
{
    sim::StationConfig config;
    config.pads[1].replyDelayUs = 250000;
    config.pads[1].replyJitterUs = 100000;
    start(config, 99);
    for (int loop = 1; loop <= 30; ++loop) {
        program->write(frame("1J1  " + QByteArray::number(loop) + kEsc + "4"));
        program->run(400);
    }
    const auto& down = bench->pad('1').down();
    const auto& up = bench->pad('1').up();
    ASSERT_EQ(up.size(), down.size());
    qint64 shortest = 1 << 30;
    qint64 longest = 0;
    for (std::size_t i = 0; i < up.size(); ++i) {
        const qint64 delay = up[i].sentUs - down[i].arrivesUs;
        shortest = std::min(shortest, delay);
        longest = std::max(longest, delay);
    }
    EXPECT_GE(shortest, 250000);
    EXPECT_LE(longest, 350000);
    EXPECT_GT(longest - shortest, 10000) << "the jitter should vary the delay";
}

// What the program saw, per pad: the replies it could count.
std::map<char, int> echoRepliesSeen(const ProgramEnd& program)
{
    std::map<char, int> seen;
    for (const auto& f : program.frames()) {
        if (f.bytes.size() > 3 && f.bytes[2] == sim::kAck)
            ++seen[f.bytes[1]];
    }
    return seen;
}

TEST_F(Pads, LossFollowsTheSeedAndTheRecordMatchesWhatThePortSaw)
{
    const auto runEchoes = [this](std::uint64_t seed) {
        sim::StationConfig config;
        config.air.lossDown = 0.3;
        config.air.lossUp = 0.2;
        config.pads[2].lossUp = 1.0; // this pad's transmitter is broken
        start(config, seed);
        for (int loop = 1; loop <= 150; ++loop) {
            for (const char id : {'1', '2'}) {
                program->write(frame(id + ("J" + QByteArray(1, id)) + "  " + QByteArray::number(loop) + kEsc + "4"));
                program->run(40);
            }
        }
        program->run(200);
        std::vector<bool> pattern;
        for (const char id : {'1', '2'}) {
            for (const auto& f : bench->pad(id).down())
                pattern.push_back(f.lost);
            for (const auto& f : bench->pad(id).up())
                pattern.push_back(f.lost);
        }
        return pattern;
    };

    const std::vector<bool> first = runEchoes(1234);
    const auto seen = echoRepliesSeen(*program);
    const sim::Pad& one = bench->pad('1');
    const sim::Pad& two = bench->pad('2');

    ASSERT_EQ(one.down().size(), 150u);
    // Every echo a pad heard was answered; what was lost on the way up never arrived.
    EXPECT_EQ(one.up().size(), one.heard().size());
    EXPECT_EQ(int(one.up().size()) - one.lostUp(), one.delivered(sim::FrameKind::EchoReply));
    EXPECT_EQ(seen.count('1') ? seen.at('1') : 0, one.delivered(sim::FrameKind::EchoReply));
    // Frame by frame: the program's port saw exactly the delivered replies, when the record says.
    std::vector<qint64> recorded;
    for (const auto& f : one.up()) {
        if (f.atProgramUs >= 0)
            recorded.push_back(f.atProgramUs);
    }
    std::vector<qint64> observed;
    for (const auto& f : program->frames())
        observed.push_back(f.endUs);
    EXPECT_EQ(observed, recorded);
    EXPECT_EQ(seen.count('2'), 0u);
    EXPECT_EQ(two.delivered(sim::FrameKind::EchoReply), 0);
    EXPECT_EQ(two.lostUp(), int(two.up().size()));
    // The loss is real but not total.
    EXPECT_GT(one.lostDown(), 20);
    EXPECT_LT(one.lostDown(), 75);
    EXPECT_GT(one.lostUp(), 5);

    EXPECT_EQ(runEchoes(1234), first);
    EXPECT_NE(runEchoes(4321), first);
}

TEST_F(Pads, AJudgeTypesAnAward)
{
    start(sim::StationConfig::withPads("3"));
    ASSERT_TRUE(bench->typeOnPad('3', "7.5"));
    program->run(50);
    EXPECT_EQ(sim::printable(program->got), sim::printable(frame("37.5")));
    ASSERT_EQ(bench->pad('3').up().size(), 1u);
    EXPECT_EQ(bench->pad('3').up()[0].kind, sim::FrameKind::PadMessage);

    EXPECT_FALSE(bench->typeOnPad('4', "6.0")); // absent
    EXPECT_FALSE(bench->typeOnPad('b', "6.0")); // no such pad
}

TEST_F(Pads, AReplyOnItsWayWhenThePortClosesIsLost)
{
    program->write(frame("3" + kEsc + "3"));
    program->run(5); // the frame is out, the reply not yet back
    bench->device().close();
    program->run(100);
    ASSERT_EQ(bench->pad('3').up().size(), 1u);
    EXPECT_FALSE(bench->pad('3').up()[0].lost);
    EXPECT_EQ(bench->pad('3').up()[0].atProgramUs, -1);
    EXPECT_TRUE(program->got.isEmpty());
}

TEST_F(Pads, BrokenFramesAreDroppedAndTheNextOneIsHeard)
{
    // A frame that starts again, a frame cut by the closing port, then a good one.
    program->write(QByteArray(1, sim::kStx) + "3J3" + frame("5" + kEsc + "3"));
    program->write(QByteArray(1, sim::kStx) + "9J9");
    program->run(50);
    bench->device().close();
    program->open(7);
    const QByteArray reply = exchange(frame("9" + kEsc + "3"));
    EXPECT_EQ(sim::printable(reply), sim::printable(frame("9" + kAckChar + "912")));
    EXPECT_EQ(bench->pad('5').up().size(), 1u);
    EXPECT_EQ(bench->pad('3').down().size(), 0u);
    EXPECT_EQ(bench->station().traffic(sim::LineUnit::From::Program, sim::LineUnit::Kind::Noise).size(), 2u);
}

struct Ports : ::testing::Test {
    VirtualEventLoop loop;
    sim::Bench bench{loop};
    ProgramEnd program{bench};

    void SetUp() override
    {
        bench.addSilentPort(3);
        bench.addRefusingPort(4);
        bench.addGarbagePort(5);
        bench.addBaseStation(7);
    }
    QByteArray versionQuery(int com)
    {
        program.forget();
        bench.device().close();
        program.open(com);
        program.command("ER_CMD#T3");
        program.run(200);
        return program.got;
    }
};

TEST_F(Ports, EachPortBehavesAsItsDeviceWould)
{
    for (const int com : {3, 4, 5, 7})
        EXPECT_TRUE(bench.catalog().isAvailable(com)) << com;
    EXPECT_FALSE(bench.catalog().isAvailable(6));

    EXPECT_EQ(versionQuery(3), "");
    EXPECT_EQ(bench.silentPort(3).heard(), "ER_CMD#T3ACK");
    bench.device().close();
    EXPECT_THROW(program.open(4), PortError);

    // One burst of noise for the command and one for its trailer, of no reply's length.
    const QByteArray noise = sim::GarbageEndpoint::defaultGarbage();
    EXPECT_EQ(versionQuery(5), noise + noise);
    EXPECT_EQ(bench.garbagePort(5).answers(), 2);
    for (const int length : {9, 10, 26, 27})
        EXPECT_NE(noise.size(), length);

    EXPECT_EQ(versionQuery(7).size(), 26);
}

TEST_F(Ports, PullingTheBaseStationHangsUpTheLineUntilItIsPluggedBack)
{
    program.open(7);
    program.write(frame("3" + kEsc + "3"));
    program.run(2);
    bench.pullBaseStation();
    program.run(100);
    EXPECT_FALSE(bench.device().isOpen());
    EXPECT_EQ(program.failures.size(), 1u);
    EXPECT_TRUE(program.got.isEmpty());
    EXPECT_FALSE(bench.catalog().isAvailable(7));
    EXPECT_THROW(program.open(7), PortError);

    bench.plugBaseStationBack();
    EXPECT_TRUE(bench.catalog().isAvailable(7));
    EXPECT_EQ(versionQuery(7).size(), 26);
}

} // namespace
