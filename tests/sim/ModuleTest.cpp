#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using sim::kByteUs;

struct Module : ::testing::Test {
    VirtualEventLoop loop;
    std::unique_ptr<sim::Bench> bench;
    std::unique_ptr<ProgramEnd> program;

    void SetUp() override { start(sim::ModuleConfig::era()); }
    void start(sim::ModuleConfig module)
    {
        program.reset();
        bench.reset();
        sim::StationConfig config;
        config.module = std::move(module);
        bench = std::make_unique<sim::Bench>(loop, config);
        bench->addBaseStation(7);
        program = std::make_unique<ProgramEnd>(*bench);
        program->open(7);
    }
    // Sends and waits long enough for any reply; returns what came back.
    QByteArray exchange(const QByteArray& text, bool trailer)
    {
        program->forget();
        if (trailer)
            program->command(text);
        else
            program->write(text);
        program->run(200);
        return program->got;
    }
};

TEST_F(Module, AnswersEachCommandWithItsFixedLengthReply)
{
    struct Case {
        const char* what;
        sim::ModuleConfig module;
        QByteArray command;
        bool trailer;
        QByteArray reply;
    };
    sim::ModuleConfig zero;
    zero.zeroReplyToChannelQuery = true;
    const Case cases[] = {
        {"ERA version", sim::ModuleConfig::era(), "ER_CMD#T3", true, "ER_CMD#T3ERA400TRS-V1.02.3"},
        {"classic version", sim::ModuleConfig::classic(), "ER_CMD#T3", true, "ER_CMD#T3ER400TRS-02V2.01.7"},
        {"channel query", {}, "ER_CMD#C?", false, "ER_CMD#C7"},
        {"zero reply to the channel query", zero, "ER_CMD#C?", false, "ER_CMD#00"},
        {"bandwidth query", {}, "ER_CMD#B?", false, "ER_CMD#B6"},
        {"channel command", {}, "ER_CMD#C5", true, "ER_CMD#C5"},
        {"channel with a leading zero", {}, "ER_CMD#C03", true, "ER_CMD#C3"},
        {"bandwidth command", {}, "ER_CMD#B2", true, "ER_CMD#B2"},
        {"DCS on", {}, "ER_CMD#A01", true, "ER_CMD#A01"},
        {"DCS off", {}, "ER_CMD#A00", true, "ER_CMD#A00"},
        {"reset", {}, "ER_CMD#R1", true, "ER_CMD#R1"},
        {"reset on the classic module", sim::ModuleConfig::classic(), "ER_CMD#R1", true, ""},
        {"channel beyond nine", {}, "ER_CMD#C12", true, ""},
        {"bandwidth code without a bandwidth", {}, "ER_CMD#B5", true, ""},
        {"unknown command", {}, "ER_CMD#X9", true, ""},
        {"lower case", {}, "er_cmd#t3", true, ""},
        {"bare trailer", {}, "ACK", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        start(c.module);
        EXPECT_EQ(exchange(c.command, c.trailer), c.reply);
    }
    // The lengths the program's collectors are set to.
    start(sim::ModuleConfig::era());
    EXPECT_EQ(exchange("ER_CMD#T3", true).size(), 26);
    start(sim::ModuleConfig::classic());
    EXPECT_EQ(exchange("ER_CMD#T3", true).size(), 27);
}

TEST_F(Module, ACommandWithATrailerIsAnsweredAfterTheTrailerAtTheBaudRate)
{
    program->write("ER_CMD#T3");
    loop.Sleep(20);
    const qint64 trailerWrittenUs = loop.nowUs();
    program->write("ACK");
    program->run(100);

    ASSERT_EQ(program->got.size(), 26);
    const qint64 trailerHeardUs = trailerWrittenUs + 3 * kByteUs;
    const qint64 latencyUs = bench->module().config().latencyUs;
    EXPECT_EQ(program->atUs.front(), trailerHeardUs + latencyUs + kByteUs);
    for (std::size_t i = 1; i < program->atUs.size(); ++i)
        EXPECT_EQ(program->atUs[i] - program->atUs[i - 1], kByteUs) << "byte " << i;

    // The line record agrees: command, trailer 20 ms later, reply.
    const auto& traffic = bench->station().traffic();
    ASSERT_EQ(traffic.size(), 3u);
    EXPECT_EQ(traffic[0].kind, sim::LineUnit::Kind::Command);
    EXPECT_EQ(traffic[0].bytes, "ER_CMD#T3");
    EXPECT_EQ(traffic[0].firstUs, kByteUs);
    EXPECT_EQ(traffic[0].lastUs, 9 * kByteUs);
    EXPECT_EQ(traffic[1].kind, sim::LineUnit::Kind::Trailer);
    EXPECT_EQ(traffic[1].lastUs, trailerHeardUs);
    EXPECT_EQ(traffic[2].kind, sim::LineUnit::Kind::ModuleReply);
    EXPECT_EQ(traffic[2].lastUs, program->atUs.back());
}

TEST_F(Module, QueriesAreAnsweredAtOnceAndAMissingTrailerAfterAPause)
{
    const qint64 latencyUs = bench->module().config().latencyUs;
    program->write("ER_CMD#C?");
    program->run(50);
    ASSERT_EQ(program->got, "ER_CMD#C7");
    EXPECT_EQ(program->atUs.front(), 9 * kByteUs + latencyUs + kByteUs);

    // Nothing comes during the program's 20 ms pause before the trailer ...
    program->forget();
    const qint64 sentUs = loop.nowUs();
    program->write("ER_CMD#C4");
    program->run(40);
    EXPECT_TRUE(program->got.isEmpty());
    // ... and a module that never gets its trailer answers after a quiet spell anyway.
    program->run(100);
    ASSERT_EQ(program->got, "ER_CMD#C4");
    const qint64 lastByteUs = sentUs + 9 * kByteUs;
    EXPECT_EQ(program->atUs.front(), lastByteUs + bench->module().config().trailerWaitUs + latencyUs + kByteUs);
    EXPECT_FALSE(bench->module().commands().back().trailer);
}

TEST_F(Module, SettingsAreKeptAndReadBack)
{
    exchange("ER_CMD#C3", true);
    EXPECT_EQ(exchange("ER_CMD#C?", false), "ER_CMD#C3");
    exchange("ER_CMD#B1", true);
    EXPECT_EQ(exchange("ER_CMD#B?", false), "ER_CMD#B1");
    exchange("ER_CMD#A01", true);
    EXPECT_TRUE(bench->module().dcs());
    EXPECT_EQ(exchange("ER_CMD#A00", true).at(9), '0');
    EXPECT_FALSE(bench->module().dcs());

    // A reset brings channel 7 back and leaves the other settings alone.
    const QByteArray reset = exchange("ER_CMD#R1", true);
    ASSERT_EQ(reset.size(), 9);
    EXPECT_EQ(reset.at(7), 'R');
    EXPECT_EQ(bench->module().channel(), 7);
    EXPECT_EQ(exchange("ER_CMD#C?", false), "ER_CMD#C7");
    EXPECT_EQ(bench->module().bandwidthCode(), '1');
}

TEST_F(Module, TheClassicModuleIgnoresTheResetButTakesTheChannelSevenCommand)
{
    start(sim::ModuleConfig::classic());
    exchange("ER_CMD#C3", true);
    EXPECT_EQ(exchange("ER_CMD#R1", true), "");
    EXPECT_EQ(exchange("ER_CMD#C?", false), "ER_CMD#C3");
    EXPECT_EQ(exchange("ER_CMD#C7", true), "ER_CMD#C7");
    EXPECT_EQ(bench->module().channel(), 7);
}

TEST_F(Module, FindsCommandsAmongNoiseAndBackToBack)
{
    struct Case {
        const char* what;
        QByteArray bytes;
        QByteArray reply;
    };
    const Case cases[] = {
        {"noise before the command", QByteArray("\xff\x00zzEER_CMD#C?", 14), "ER_CMD#C7"},
        {"a query right behind a command without its trailer", "ER_CMD#B2ER_CMD#C?", "ER_CMD#B2ER_CMD#C7"},
        {"a trailer cut short", "ER_CMD#C6AC", "ER_CMD#C6"},
        {"a pad frame behind a command without its trailer", "ER_CMD#C8\x02\x39\x1b\x33\x04",
         "ER_CMD#C8\x02\x39\x06" "912\x04"},
        {"a query with a trailer typed as a custom command", "ER_CMD#B?ACK", "ER_CMD#B6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        start(sim::ModuleConfig::era());
        EXPECT_EQ(exchange(c.bytes, false), c.reply);
    }
    // In the last case the trailer of the query is recognised as such, not taken for noise.
    const auto trailers = bench->station().traffic(sim::LineUnit::From::Program, sim::LineUnit::Kind::Trailer);
    ASSERT_EQ(trailers.size(), 1u);
    EXPECT_EQ(trailers.front().bytes, "ACK");
    EXPECT_TRUE(bench->station().traffic(sim::LineUnit::From::Program, sim::LineUnit::Kind::Noise).empty());
}

TEST_F(Module, SurvivesRandomBytesAndStillAnswersAfterwards)
{
    std::mt19937 rng(7);
    // Noise that is heavy in the characters the parsers care about.
    const QByteArray alphabet = QByteArray("ER_CMD#?ACK0123456789\x02\x04\x06\x1b\x1a\xff", 28);
    for (int burst = 0; burst < 200; ++burst) {
        QByteArray noise;
        const int length = int(rng() % 64);
        for (int i = 0; i < length; ++i)
            noise += rng() % 4 == 0 ? char(rng() % 256) : alphabet[qsizetype(rng() % std::uint32_t(alphabet.size()))];
        program->write(noise);
        program->run(int(rng() % 80));
    }
    // The bytes stop; once things are quiet, a clean command works as ever.
    program->write(QByteArray(1, sim::kEot));
    program->run(200);
    bench->module().config().channel = 2;
    EXPECT_EQ(exchange("ER_CMD#C?", false), "ER_CMD#C2");
}

} // namespace
