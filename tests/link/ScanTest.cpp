#include "SimLink.h"
#include "WindowTimer.h"
#include "Wire.h"

#include <gtest/gtest.h>

namespace {

struct Written {
    qint64 ms;
    int com;
    QString text; // control characters as <STX> and friends
};

QString spelled(const QByteArray& bytes)
{
    return QString::fromLatin1(sim::printable(bytes));
}

std::vector<Written> written(SimLink& l)
{
    std::vector<Written> out;
    for (const auto& w : l.bench.device().writes())
        out.push_back({w.atUs / 1000, w.path.mid(w.path.lastIndexOf(u'M') + 1).toInt(), spelled(w.bytes)});
    return out;
}

void expectWrites(SimLink& l, const std::vector<Written>& expected)
{
    const auto actual = written(l);
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].ms, expected[i].ms) << i << " " << expected[i].text.toStdString();
        EXPECT_EQ(actual[i].com, expected[i].com) << i;
        EXPECT_EQ(actual[i].text, expected[i].text) << i;
    }
}

QStringList padScanLog(int com)
{
    QStringList out;
    for (int j = 0; j < 12; ++j)
        out << QStringLiteral("%1 --> Hello J%2").arg(com).arg(j) << QStringLiteral("%1 <-- J%2 here (v 912)").arg(com).arg(j);
    return out;
}

struct RefreshLog : WindowModel::Observer {
    const VirtualEventLoop* loop = nullptr;
    std::vector<qint64> atMs;
    void refreshed() override { atMs.push_back(loop->elapsedMs()); }
};

TEST(FullScan, FindsTheBaseStationAmongSilentAndRefusingPortsAndRegistersTwelvePads)
{
    SimLink l;
    l.bench.addSilentPort(3);
    l.bench.addRefusingPort(4);
    l.bench.addBaseStation(7);
    RefreshLog refreshes;
    refreshes.loop = &l.loop;
    l.window.setObserver(&refreshes);

    l.window.SpTBXItemFullScanClick();
    EXPECT_TRUE(l.window.busy);
    EXPECT_FALSE(l.window.enabled("SpTBXSubmenuItemScans"));
    ASSERT_TRUE(l.loop.RunUntil([&] { return l.scanEnded(); }, 5000));

    QStringList expectedLog = {"Start Full Scan",
                               "Available port numbers: 3, 4, 7",
                               "3 --> ER_CMD#T3",
                               "3 --> ACK",
                               "7 --> ER_CMD#T3",
                               "7 --> ACK",
                               "7 <-- Base station version V1.02.3",
                               "7 --> What channel?",
                               "7 <-- Channel=7",
                               "7 --> What bandwidth?",
                               "7 <-- Bandwidth=4"};
    expectedLog << padScanLog(7);
    EXPECT_EQ(l.window.log, expectedLog);

    // 50 ms after each open, 20 ms before each trailer, a 100 ms beat per port check, then a
    // hello frame every 120 ms.
    std::vector<Written> expected = {{50, 3, "ER_CMD#T3"},  {70, 3, "ACK"},       {270, 7, "ER_CMD#T3"},
                                     {290, 7, "ACK"},       {390, 7, "ER_CMD#C?"}, {490, 7, "ER_CMD#B?"}};
    for (int j = 0; j < 12; ++j) {
        const QChar id = wire::PadId(j);
        expected.push_back({710 + 120 * j, 7, QStringLiteral("<STX>%1J%2<ESC>13<EOT>").arg(id).arg(j)});
    }
    expectWrites(l, expected);

    // The bandwidth reply refreshes, and the drain of the pad scan 120 ms after the last frame.
    ASSERT_EQ(refreshes.atMs.size(), 2u);
    EXPECT_EQ(refreshes.atMs.back(), 2150);
    EXPECT_EQ(l.window.lblFirmware, "ERA400TRS-V1.02.3");
    EXPECT_EQ(l.window.lblPort, "7");
    EXPECT_EQ(l.window.lblChannel, "7");
    EXPECT_EQ(l.window.rgBandwidth, 4);
    EXPECT_EQ(l.window.rgCompatibility, 1);
    EXPECT_TRUE(l.window.rgCompatibilityVisible);
    EXPECT_EQ(l.window.lblKVVer, "912");
    EXPECT_EQ(l.window.ChannelSpinEdit, 1);
    EXPECT_TRUE(l.window.chk1); // every pad is 910 or newer: dives are broadcast
    EXPECT_EQ(l.window.edtCommandCue, "Enter a command");
    for (const QString& c : WindowModel::RefreshedControls())
        EXPECT_TRUE(l.window.enabled(c)) << c.toStdString(); // the "V" of the version text enables DCS
    for (int j = 0; j < 12; ++j)
        EXPECT_TRUE(l.window.lampGreen[std::size_t(j)]) << j;
    EXPECT_EQ(l.window.lblTime, "0:00:22");
    EXPECT_TRUE(l.form.FramedDataPacket.enabled());
    EXPECT_FALSE(l.form.BaseTimer->enabled());
}

TEST(FullScan, ANonEraModuleIsAskedOnceMoreForItsWholeVersion)
{
    sim::StationConfig config;
    config.module = sim::ModuleConfig::classic();
    SimLink l(config);
    l.bench.addBaseStation(7);
    l.window.SpTBXItemFullScanClick();
    ASSERT_TRUE(l.loop.RunUntil([&] { return l.scanEnded() && !l.state.PadIds.isEmpty(); }, 5000));

    const QStringList head = l.window.log.mid(0, 10);
    EXPECT_EQ(head, (QStringList{"Start Full Scan", "Available port numbers: 7", "7 --> ER_CMD#T3", "7 --> ACK",
                                 "7 <-- Base station version 02V2.01.", "7 --> What channel?", "7 <-- Channel=7",
                                 "7 --> What bandwidth?", "7 <-- Bandwidth=4",
                                 "7 <-- Base station version 02V2.01.7"}));
    // The second query went out after the bandwidth reply and before the tick that starts the pads.
    const auto w = written(l);
    ASSERT_GE(w.size(), 8u);
    EXPECT_EQ(w[3].text, "ER_CMD#B?");
    EXPECT_EQ(w[4].text, "ER_CMD#T3");
    EXPECT_GT(w[4].ms, w[3].ms);
    EXPECT_LT(w[4].ms, w[3].ms + 100);
    EXPECT_EQ(w[6].text, "<STX>0J0<ESC>13<EOT>");
    EXPECT_EQ(l.state.BaseVersionText, "ER400TRS-02V2.01.7");
    EXPECT_FALSE(l.state.BaseSupportsReset);
    EXPECT_FALSE(l.state.BaseIsEra);
    EXPECT_TRUE(l.state.BaseHasDCS);
    EXPECT_EQ(l.state.VersionReplySize, 27);
    EXPECT_EQ(l.window.lblFirmware, "ER400TRS-02V2.01.7");
    EXPECT_EQ(l.window.ChannelSpinEdit, 7);
    EXPECT_FALSE(l.window.rgCompatibilityVisible);
    EXPECT_TRUE(l.window.enabled("rgDCS"));
    EXPECT_EQ(l.state.PadIds.count(), 12);
}

TEST(FullScan, NoPortAvailable)
{
    SimLink l;
    RefreshLog refreshes;
    refreshes.loop = &l.loop;
    l.window.setObserver(&refreshes);
    l.window.SpTBXItemFullScanClick();
    l.loop.RunFor(1000);
    EXPECT_EQ(l.window.log, (QStringList{"Start Full Scan", "No available ports!"}));
    EXPECT_EQ(l.window.lblPort, "No ports found");
    EXPECT_FALSE(l.window.busy);
    EXPECT_EQ(refreshes.atMs, std::vector<qint64>{0});
    EXPECT_FALSE(l.form.ComPort.IsOpen());
    EXPECT_TRUE(l.bench.device().writes().empty());
    EXPECT_TRUE(l.window.rgCompatibilityVisible);
    EXPECT_FALSE(l.window.enabled("gbStatus"));
}

TEST(FullScan, NoBaseStationOnAnyPort)
{
    SimLink l;
    l.bench.addSilentPort(3);
    l.bench.addGarbagePort(5);
    l.window.SpTBXItemFullScanClick();
    ASSERT_TRUE(l.loop.RunUntil([&] { return l.scanEnded(); }, 5000));
    EXPECT_EQ(l.window.log, (QStringList{"Start Full Scan", "Available port numbers: 3, 5", "3 --> ER_CMD#T3",
                                         "3 --> ACK", "5 --> ER_CMD#T3", "5 --> ACK"}));
    EXPECT_EQ(l.window.lblFirmware, "No Base Station found");
    EXPECT_EQ(l.state.BasePort, 0);
    EXPECT_EQ(l.loop.elapsedMs(), 390); // about 200 ms per port
    EXPECT_TRUE(l.form.ComPort.IsOpen());
    EXPECT_EQ(l.form.ComPort.ComNumber(), 5);
    EXPECT_TRUE(l.form.FramedDataPacket.enabled());
    EXPECT_FALSE(l.form.FixedDataPacket.enabled());
    for (const char* c : {"SpTBXItemActivePort", "SpTBXItemHidden", "gbStatus", "edtCommand", "btnCmd"})
        EXPECT_FALSE(l.window.enabled(c)) << c;
    EXPECT_TRUE(l.window.rgCompatibilityVisible);
    EXPECT_EQ(l.window.ChannelSpinEdit, 1);
}

TEST(FullScan, AModuleThatNeverAnswersTheChannelQueryKeepsBeingAskedUntilTheNextScan)
{
    SimLink l;
    l.bench.addBaseStation(7);
    l.window.SpTBXItemFullScanClick();
    l.loop.RunFor(50); // the version reply is in (the click itself took 70 ms)
    l.bench.module().config().latencyUs = 10'000'000; // from now on the module is far too slow
    l.loop.RunFor(600);
    EXPECT_EQ(l.window.log.count("7 --> What channel?"), 6);
    EXPECT_TRUE(l.form.BaseTimer->enabled());
    // A new scan neither stops nor restarts the running timer: its first tick comes early.
    l.bench.module().config().latencyUs = 3000;
    l.loop.RunFor(40);
    l.window.SpTBXItemFullScanClick();
    EXPECT_TRUE(l.form.BaseTimer->enabled());
    // That early tick comes before the version reply, so this walk misses the base station...
    ASSERT_TRUE(l.loop.RunUntil([&] { return l.scanEnded(); }, 5000));
    EXPECT_EQ(l.state.BasePort, 0);
    EXPECT_EQ(l.window.lblFirmware, "No Base Station found");
    EXPECT_FALSE(l.form.BaseTimer->enabled());
    // ...and the next one, with the timer stopped, finds it again.
    l.loop.RunFor(100);
    l.window.SpTBXItemFullScanClick();
    ASSERT_TRUE(l.loop.RunUntil([&] { return l.scanEnded() && !l.state.PadIds.isEmpty(); }, 5000));
    EXPECT_EQ(l.state.ChannelText, "7");
}

// Configuration commands and the scans that read their effect back.
struct Configured : ::testing::Test {
    SimLink l;
    void SetUp() override
    {
        l.bench.addSilentPort(3);
        l.bench.addBaseStation(7);
        l.window.SpTBXItemFullScanClick();
        ASSERT_TRUE(l.loop.RunUntil([&] { return l.scanEnded(); }, 5000));
        l.bench.device().clearWrites();
        l.window.log.clear();
    }
    int scans() const { return int(l.window.log.count("Start Full Scan")); }
};

TEST_F(Configured, SetChannelIsReadBackByTheScan100MsLater)
{
    l.window.ChannelSpinEdit = 5;
    const qint64 t0 = l.loop.elapsedMs();
    l.window.BtnSetChannelClick();
    const auto w = written(l);
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].text, "ER_CMD#C5");
    EXPECT_EQ(w[1].text, "ACK");
    EXPECT_EQ(w[1].ms - w[0].ms, 20);
    EXPECT_TRUE(l.window.log.isEmpty()); // the command itself logs nothing
    l.loop.RunFor(95);
    EXPECT_EQ(l.window.log, QStringList{"7 <-- Channel=5"});
    l.loop.RunFor(10);
    EXPECT_EQ(l.window.log.mid(1, 2), (QStringList{"Start Full Scan", "Available port numbers: 3, 7"}));
    // The scan starts 100 ms after the command: close and open cost 50 ms each before its first query.
    const auto scan = written(l);
    ASSERT_GE(scan.size(), 3u);
    EXPECT_EQ(scan[2].com, 3);
    EXPECT_EQ(scan[2].ms - t0, 20 + 100 + 50 + 50); // the timer starts after the trailer's pause
    ASSERT_TRUE(l.loop.RunUntil([&] { return l.scanEnded(); }, 5000));
    EXPECT_EQ(l.window.lblChannel, "5");
    EXPECT_EQ(l.bench.module().channel(), 5);
    EXPECT_EQ(scans(), 1);
}

TEST_F(Configured, DcsAndBandwidthAreLoggedSentAndRefreshed)
{
    l.window.RgDCSClick(0);
    EXPECT_EQ(l.window.log, (QStringList{"7 --> Set DCS ON", "7 --> ACK"}));
    const auto w = written(l);
    EXPECT_EQ(w[0].text, "ER_CMD#A01");
    l.loop.RunFor(50);
    EXPECT_EQ(l.window.log.last(), "7 <-- DCS IS ON");
    EXPECT_TRUE(l.bench.module().dcs());

    // Within 100 ms of the DCS command: still one scan, at the end of the first countdown.
    l.window.RgBandwidthClick(2);
    EXPECT_EQ(l.window.log.mid(3, 2), (QStringList{"7 --> Set Bandwidth=2", "7 --> ACK"}));
    EXPECT_EQ(written(l)[2].text, "ER_CMD#B2");
    EXPECT_EQ(l.state.BandwidthIndex, 4);
    ASSERT_TRUE(l.loop.RunUntil([&] { return scans() > 0 && l.scanEnded(); }, 5000));
    EXPECT_EQ(scans(), 1);
    EXPECT_EQ(l.window.rgBandwidth, 2);
    EXPECT_EQ(l.window.rgCompatibility, 0);
    EXPECT_TRUE(l.window.log.contains("7 <-- Bandwidth=2"));

    l.window.RgDCSClick(1);
    EXPECT_EQ(written(l).back().text, "ACK");
    l.loop.RunFor(50);
    EXPECT_EQ(l.window.log.last(), "7 <-- DCS IS OFF");
}

TEST_F(Configured, CompatibilityChoicesSendTheirBandwidths)
{
    l.window.RgCompatibilityClick(0);
    EXPECT_EQ(written(l)[0].text, "ER_CMD#B3");
    l.loop.RunFor(20);
    l.window.RgCompatibilityClick(1);
    EXPECT_EQ(written(l)[2].text, "ER_CMD#B6");
}

TEST_F(Configured, ResetOnAKnownBaseStationScansAfter500Ms)
{
    l.window.ChannelSpinEdit = 3;
    l.window.BtnSetChannelClick();
    l.loop.RunFor(50);
    const qint64 t0 = l.loop.elapsedMs();
    l.window.BtnResetClick(); // a different interval restarts the countdown: a full 500 ms
    EXPECT_EQ(l.window.ChannelSpinEdit, 1);
    EXPECT_EQ(written(l)[2].text, "ER_CMD#R1");
    ASSERT_TRUE(l.loop.RunUntil([&] { return scans() == 1; }, 1000));
    const auto scan = written(l);
    ASSERT_GE(scan.size(), 5u);
    EXPECT_EQ(scan[4].com, 3);
    EXPECT_EQ(scan[4].ms - t0, 20 + 500 + 50 + 50);
    EXPECT_EQ(l.form.SetChanTimer->interval(), 100);
    ASSERT_TRUE(l.loop.RunUntil([&] { return l.scanEnded(); }, 5000));
    EXPECT_EQ(l.window.lblChannel, "7");
    EXPECT_EQ(l.bench.module().channel(), 7);
}

TEST(Reset, WithoutABaseStationWalksThePortsFromLastToFirst)
{
    SimLink l;
    l.bench.addSilentPort(3);
    l.bench.addSilentPort(4);
    l.bench.addSilentPort(7);
    l.window.SpTBXItemFullScanClick();
    ASSERT_TRUE(l.loop.RunUntil([&] { return l.scanEnded(); }, 5000));
    l.bench.device().clearWrites();
    l.window.log.clear();
    const qint64 t0 = l.loop.elapsedMs();

    l.window.BtnResetClick();
    l.loop.RunFor(2000);
    const auto w = written(l);
    ASSERT_EQ(w.size(), 6u);
    const int order[] = {7, 4, 3};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(w[2 * i].com, order[i]);
        EXPECT_EQ(w[2 * i].text, "ER_CMD#R1");
        EXPECT_EQ(w[2 * i + 1].text, "ACK");
    }
    EXPECT_EQ(w[0].ms - t0, 100); // close and open, 50 ms each
    EXPECT_EQ(w[2].ms - w[0].ms, 220);
    EXPECT_EQ(w[4].ms - w[2].ms, 220);
    EXPECT_TRUE(l.window.log.isEmpty()); // no scan, no refresh follows the walk
    EXPECT_EQ(l.form.ComPort.ComNumber(), 3);
    EXPECT_TRUE(l.form.ComPort.IsOpen());
}

TEST(Reset, AModuleWithoutResetGetsChannelSevenForTheRestOfTheRun)
{
    sim::StationConfig config;
    config.module = sim::ModuleConfig::classic();
    config.module.channel = 2;
    SimLink l(config);
    l.bench.addBaseStation(7);
    l.window.SpTBXItemFullScanClick();
    ASSERT_TRUE(l.loop.RunUntil([&] { return l.scanEnded() && !l.state.PadIds.isEmpty(); }, 5000));
    l.bench.device().clearWrites();
    l.window.BtnResetClick();
    EXPECT_EQ(written(l)[0].text, "ER_CMD#C7");
    ASSERT_TRUE(l.loop.RunUntil([&] { return l.window.log.count("Start Full Scan") == 2 && l.scanEnded(); }, 5000));
    EXPECT_EQ(l.window.lblChannel, "7");
}

// The port walk and the reset walk both move the one port: a reset clicked while the port walk
// looked for the base station made them hand it to each other for ever, the window busy and its
// Scans menu gone. The reset wins, and the scan ends as one that found nothing.
TEST(Reset, DuringThePortWalkEndsTheScanAndWalksThePorts)
{
    SimLink l;
    l.bench.addSilentPort(3);
    l.bench.addSilentPort(4);
    l.bench.addBaseStation(7);
    l.window.SpTBXItemFullScanClick();
    l.loop.RunFor(20); // checking COM 3
    ASSERT_TRUE(l.form.BaseTimer->enabled());
    l.bench.device().clearWrites();
    l.window.BtnResetClick();
    EXPECT_FALSE(l.window.busy);
    EXPECT_TRUE(l.window.enabled("SpTBXSubmenuItemScans"));
    EXPECT_EQ(l.window.lblFirmware, "No Base Station found");
    l.loop.RunFor(3000);
    EXPECT_FALSE(l.form.BaseTimer->enabled());
    EXPECT_FALSE(l.form.ReSetTimer->enabled());
    const auto w = written(l);
    ASSERT_EQ(w.size(), 6u);
    const int order[] = {7, 4, 3};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(w[2 * i].com, order[i]);
        EXPECT_EQ(w[2 * i].text, "ER_CMD#R1");
    }
}

TEST(SetChannel, BeforeAnyScanAsksForOne)
{
    SimLink l;
    QStringList messages;
    struct Messages : WindowModel::Observer {
        QStringList& out;
        explicit Messages(QStringList& o) : out(o) {}
        void message(const QString& text) override { out << text; }
    } observer{messages};
    l.window.setObserver(&observer);
    l.window.BtnSetChannelClick();
    EXPECT_EQ(messages, QStringList{"Please run a 'Scans, Full Scan' first"});
    EXPECT_TRUE(l.bench.device().writes().empty());
    l.window.RgDCSClick(0);
    l.window.RgBandwidthClick(1);
    EXPECT_TRUE(l.bench.device().writes().empty()); // no base station: nothing, silently
}

} // namespace
