// quelta-cli against kivo-sim over real pseudo-terminals, each test in its own sandbox.
#include "Programs.h"

#include <QFile>
#include <QJsonArray>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

using namespace e2e;

namespace {

constexpr int kCom = 9;
const std::string kPrefix = std::to_string(kCom);

QString text(const QJsonObject& e, const char* key)
{
    return e.value(QLatin1String(key)).toString();
}

bool enabledIn(const QJsonObject& refresh, const char* control)
{
    return refresh.value(QStringLiteral("enabled")).toObject().value(QLatin1String(control)).toBool();
}

std::vector<std::string> logLines(const std::vector<std::string>& lines, std::size_t from, std::size_t to)
{
    std::vector<std::string> out;
    for (std::size_t i = from; i < std::min(to, lines.size()); ++i) {
        if (!isEvent(lines[i]))
            out.push_back(lines[i]);
    }
    return out;
}

std::size_t countIf(const std::vector<std::string>& lines, std::size_t from, const std::function<bool(const std::string&)>& pred)
{
    return std::size_t(std::count_if(lines.begin() + std::ptrdiff_t(std::min(from, lines.size())), lines.end(), pred));
}

// The lamps of the last ReSetLEDs and what followed it: j -> green.
std::map<int, bool> lampsSince(const std::vector<std::string>& lines, std::size_t from)
{
    std::map<int, bool> lamps;
    for (std::size_t i = from; i < lines.size(); ++i) {
        if (isEvent(lines[i], "lamp")) {
            const QJsonObject e = event(lines[i]);
            lamps[e.value(QStringLiteral("j")).toInt()] = text(e, "colour") == QLatin1String("green");
        }
    }
    return lamps;
}

// ---------------------------------------------------------------------------------------------
// The full scan finds the base station among ports that never answer and registers the pads.

struct ScanCase {
    const char* name;
    std::vector<std::string> simOptions;
    std::string versionLogged;   // the log lines of the version replies, in order
    std::string firmware;        // lblFirmware at the end
    bool compatibilityVisible;
    int channelBox;
    std::string padVersions;     // lblKVVer
    bool broadcast;              // chk1: every pad 910 or later
};

// Test names in ctest show the case's name, not its bytes.
void PrintTo(const ScanCase& c, std::ostream* out)
{
    *out << c.name;
}

class FullScan : public testing::TestWithParam<ScanCase> {};

TEST_P(FullScan, FindsTheBaseStationBehindSilentPortsAndRegistersTwelvePads)
{
    const ScanCase& c = GetParam();
    Sandbox sandbox;
    std::vector<std::string> options{"--silent-port", "2", "--garbage-port", "4", "--silent-port", "5"};
    options.insert(options.end(), c.simOptions.begin(), c.simOptions.end());
    KivoSim sim(sandbox, kCom, options);
    Cli cli(sandbox);

    const QJsonObject refresh = cli.fullScan();
    const std::vector<std::string>& lines = cli.lines();

    const std::size_t available = cli.waitLine(
        [](const std::string& l) { return l.rfind("Available port numbers: ", 0) == 0; }, kScan, 0);
    // A machine's own serial ports (COM21 on from /dev/ttyS0) may follow.
    EXPECT_EQ(lines[available].substr(0, 34), "Available port numbers: 2, 4, 5, 9") << lines[available];
    for (const char* port : {"2", "4", "5"}) {
        SCOPED_TRACE(port);
        EXPECT_EQ(countIf(lines, 0, [&](const std::string& l) { return l == std::string(port) + " --> ER_CMD#T3"; }), 1u);
        EXPECT_EQ(countIf(lines, 0, [&](const std::string& l) { return l.rfind(std::string(port) + " <-- ", 0) == 0; }), 0u);
    }
    std::string versions;
    for (const std::string& l : lines) {
        if (l.rfind(kPrefix + " <-- Base station version ", 0) == 0)
            versions += l.substr(kPrefix.size() + 26) + ";";
    }
    EXPECT_EQ(versions, c.versionLogged);
    EXPECT_EQ(countIf(lines, 0, [](const std::string& l) { return l == kPrefix + " <-- Channel=7"; }), 1u);
    EXPECT_EQ(countIf(lines, 0, [](const std::string& l) { return l == kPrefix + " <-- Bandwidth=4"; }), 1u);
    // Ports after the base station's are never tried.
    EXPECT_EQ(countIf(lines, 0, [](const std::string& l) { return l.rfind("21 --> ", 0) == 0; }), 0u);

    EXPECT_EQ(text(refresh, "lblPort"), QStringLiteral("9"));
    EXPECT_EQ(text(refresh, "lblChannel"), QStringLiteral("7"));
    EXPECT_EQ(text(refresh, "lblFirmware").toStdString(), c.firmware);
    EXPECT_EQ(refresh.value(QStringLiteral("rgBandwidth")).toInt(), 4);
    EXPECT_EQ(refresh.value(QStringLiteral("rgCompatibility")).toObject().value(QStringLiteral("visible")).toBool(),
              c.compatibilityVisible);
    EXPECT_EQ(refresh.value(QStringLiteral("ChannelSpinEdit")).toInt(), c.channelBox);
    EXPECT_EQ(text(refresh, "lblKVVer").toStdString(), c.padVersions);
    EXPECT_EQ(refresh.value(QStringLiteral("chk1")).toBool(), c.broadcast);
    // Twelve pads at the default delay and loop count: 180 * 10 * 12 ms, shown as 0:00:22.
    EXPECT_EQ(refresh.value(QStringLiteral("lblTime")).toObject().value(QStringLiteral("text")).toString(),
              QStringLiteral("0:00:22"));
    for (const char* control : {"SpTBXItemActivePort", "gbStatus", "rgDCS", "SpTBXSubmenuItemCommand", "SpTBXItemEcho",
                                "SpTBXSubmenuItemScans"})
        EXPECT_TRUE(enabledIn(refresh, control)) << control;
    EXPECT_FALSE(enabledIn(refresh, "SpTBXCharTest")) << "no developer mode";

    const std::map<int, bool> lamps = lampsSince(lines, 0);
    ASSERT_EQ(lamps.size(), 12u);
    for (const auto& [j, green] : lamps)
        EXPECT_TRUE(green) << "J" << j;
    EXPECT_EQ(sim.state().port, "open");

    cli.send("quit");
    EXPECT_EQ(cli.process().wait(kStart), 0) << cli.process().errorOutput();
}

INSTANTIATE_TEST_SUITE_P(
    Modules, FullScan,
    testing::Values(
        ScanCase{"Era", {}, "V1.02.3;", "ERA400TRS-V1.02.3", true, 1, "912", true},
        // Not an ERA module: its 27-character version reply is cut to 17 during the scan and read
        // whole by the second query that Refresh sends. One pad reports no version, one a newer.
        ScanCase{"NotEra",
                 {"--module-version", "ER400TRS-02V2.01.7", "--no-reset", "--pad-version", "3=0", "--pad-version", "a=1002"},
                 "02V2.01.;02V2.01.7;",
                 "ER400TRS-02V2.01.7",
                 false,
                 7,
                 "<pre 910>, 1002, 912",
                 false}),
    [](const testing::TestParamInfo<ScanCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Configuration changes go to the module and the scans that follow read them back.

struct ConfigStep {
    std::string commands;
    std::string logLine;                   // written between the command and the end of the next scan
    std::function<void(const QJsonObject&)> checkRefresh;
    std::function<void(const KivoSim::State&)> checkSim;
};

struct ConfigSession {
    const char* name;
    std::vector<std::string> simOptions;
    std::string settings;
    std::vector<ConfigStep> steps;
};

void PrintTo(const ConfigSession& c, std::ostream* out)
{
    *out << c.name;
}

class Configuration : public testing::TestWithParam<ConfigSession> {};

TEST_P(Configuration, ChangesAreReadBackByTheScansThatFollow)
{
    const ConfigSession& session = GetParam();
    Sandbox sandbox;
    if (!session.settings.empty())
        sandbox.writeSettings(session.settings);
    KivoSim sim(sandbox, kCom, session.simOptions);
    Cli cli(sandbox);
    cli.fullScan();

    for (const ConfigStep& step : session.steps) {
        SCOPED_TRACE(step.commands);
        const std::size_t from = cli.mark();
        cli.send(step.commands);
        const QJsonObject refresh = cli.scanThatFollows(from);
        const std::vector<std::string> log = logLines(cli.lines(), from, cli.lines().size());
        EXPECT_NE(std::find(log.begin(), log.end(), step.logLine), log.end()) << step.logLine;
        EXPECT_EQ(countIf(cli.lines(), from, [](const std::string& l) { return isEvent(l, "refused"); }), 0u);
        step.checkRefresh(refresh);
        step.checkSim(sim.state());
    }
    cli.send("quit");
    EXPECT_EQ(cli.process().wait(kStart), 0) << cli.process().errorOutput();
}

const auto channelShown = [](const char* channel) {
    return [channel](const QJsonObject& r) { EXPECT_EQ(text(r, "lblChannel"), QLatin1String(channel)); };
};
const auto simChannel = [](int channel) {
    return [channel](const KivoSim::State& s) { EXPECT_EQ(s.channel, channel); };
};
const auto bandwidthShown = [](int index, int compatibility) {
    return [index, compatibility](const QJsonObject& r) {
        EXPECT_EQ(r.value(QStringLiteral("rgBandwidth")).toInt(), index);
        EXPECT_EQ(r.value(QStringLiteral("rgCompatibility")).toObject().value(QStringLiteral("index")).toInt(), compatibility);
    };
};
const auto simBandwidth = [](char code) {
    return [code](const KivoSim::State& s) { EXPECT_EQ(s.bandwidth, code); };
};
const auto simDcs = [](bool on) {
    return [on](const KivoSim::State& s) { EXPECT_EQ(s.dcs, on); };
};
const auto anyRefresh = [](const QJsonObject&) {};

INSTANTIATE_TEST_SUITE_P(
    Sessions, Configuration,
    testing::Values(
        ConfigSession{"Era",
                      {},
                      "",
                      {
                          {"channel 3\nsetchannel", "9 <-- Channel=3", channelShown("3"), simChannel(3)},
                          {"dcs on", "9 <-- DCS IS ON", anyRefresh, simDcs(true)},
                          {"compat V3", "9 <-- Bandwidth=3", bandwidthShown(3, 0), simBandwidth('3')},
                          {"dcs off", "9 <-- DCS IS OFF", anyRefresh, simDcs(false)},
                          {"compat V2", "9 <-- Bandwidth=4", bandwidthShown(4, 1), simBandwidth('6')},
                          {"reset", "9 <-- Channel=7", channelShown("7"), simChannel(7)},
                      }},
        // The module ignores the reset command: once its whole version text is known, Reset
        // sets channel 7 instead.
        ConfigSession{"ModuleWithoutReset",
                      {"--module-version", "ER400TRS-02V2.01.7", "--no-reset"},
                      "",
                      {
                          {"channel 3\nsetchannel", "9 <-- Channel=3", channelShown("3"), simChannel(3)},
                          {"reset", "9 <-- Channel=7", channelShown("7"), simChannel(7)},
                      }},
        // The bandwidth choice is shown in developer mode only, which the settings file sets.
        ConfigSession{"DeveloperMode",
                      {},
                      "[General]\nDeveloper=1\n",
                      {
                          {"bandwidth 1", "9 <-- Bandwidth=1", bandwidthShown(1, 0), simBandwidth('1')},
                          {"bandwidth 4", "9 <-- Bandwidth=4", bandwidthShown(4, 1), simBandwidth('6')},
                      }}),
    [](const testing::TestParamInfo<ConfigSession>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// A dive reaches every pad; an award typed on a pad is shown for its judge and acknowledged.

TEST(Awards, ADiveReachesThePadsAndATypedAwardIsShownAndAcknowledged)
{
    Sandbox sandbox;
    KivoSim sim(sandbox, kCom);
    Cli cli(sandbox);
    cli.fullScan();

    const std::size_t dive = cli.mark();
    cli.send("nextdive");
    // The queue ends its burst with a refresh.
    cli.waitEvent("refresh", [](const QJsonObject&) { return true; }, kScan, dive);
    const KivoSim::State afterDive = sim.state();
    ASSERT_EQ(afterDive.pads.size(), 12u);
    for (const auto& [id, pad] : afterDive.pads) {
        SCOPED_TRACE(id);
        EXPECT_NE(pad.dive.find("103B 3m    First Diver"), std::string::npos) << pad.dive;
        EXPECT_FALSE(pad.locked) << "a dive unlocks the keyboard";
        EXPECT_EQ(pad.acks, 0);
    }

    const std::size_t typed = cli.mark();
    sim.type('3', "7.5");
    const std::size_t award = cli.waitEvent(
        "award", [](const QJsonObject& e) { return !text(e, "text").isEmpty(); }, kScan, typed);
    const QJsonObject e = event(cli.lines()[award]);
    EXPECT_EQ(e.value(QStringLiteral("j")).toInt(), 3);
    EXPECT_EQ(text(e, "text"), QStringLiteral("7.5"));

    // The acknowledgement leaves through the queue, one pace later.
    const auto end = Clock::now() + kScan;
    KivoSim::State state = sim.state();
    while (state.pads['3'].acks == 0 && Clock::now() < end) {
        cli.process().collect(milliseconds(50));
        state = sim.state();
    }
    for (const auto& [id, pad] : state.pads)
        EXPECT_EQ(pad.acks, id == '3' ? 1 : 0) << id;

    cli.send("quit");
    EXPECT_EQ(cli.process().wait(kStart), 0) << cli.process().errorOutput();
}

// ---------------------------------------------------------------------------------------------
// The echo test over a lossy air: its report agrees with what crossed the line.

struct Counters {
    int replies = 0, resends = 0, missedReads = 0, missedSends = 0;
    bool red = false;
    bool operator==(const Counters&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Counters& c)
{
    return out << c.replies << "/" << c.resends << "/" << c.missedReads << "/" << c.missedSends << (c.red ? " red" : "");
}

// The report each pad's line must show, from the simulator's trace of the line: the counters
// as they stood at the pad's last reply, red when that exchange needed a resend.
std::map<char, Counters> reportFromTrace(const std::string& path)
{
    std::ifstream trace(path);
    static const std::regex echo(R"(<STX>(.)J\d+  (\d+)<ESC>4<EOT>)");
    static const std::regex bare(R"(<STX>(.)<ESC>4<EOT>)");
    static const std::regex reply(R"(<STX>(.)<ACK>.J\d+  (\d+)<EOT>)");
    std::map<char, Counters> counters, shown;
    std::string loop;
    bool timedOut = false;
    bool started = false;
    for (std::string line; std::getline(trace, line);) {
        std::istringstream fields(line);
        std::string first, last, direction, kind;
        fields >> first >> last >> direction >> kind;
        std::string bytes;
        std::getline(fields, bytes);
        bytes.erase(0, 1);
        std::smatch m;
        if (direction == "rx" && std::regex_match(bytes, m, echo)) {
            started = true;
            loop = m[2];
            timedOut = false;
        } else if (started && direction == "rx" && std::regex_match(bytes, m, bare)) {
            timedOut = true;
            ++counters[m[1].str()[0]].resends;
        } else if (started && direction == "tx" && std::regex_match(bytes, m, reply)) {
            Counters& c = counters[m[1].str()[0]];
            if (timedOut)
                ++(m[2] == loop ? c.missedSends : c.missedReads);
            ++c.replies;
            c.red = timedOut;
            shown[m[1].str()[0]] = c;
        }
    }
    return shown;
}

TEST(EchoTest, TheReportAgreesWithTheFramesOnTheLine)
{
    Sandbox sandbox;
    const std::string trace = sandbox.path("trace.txt");
    const std::string pads = "03ac";
    KivoSim sim(sandbox, kCom, {"--loss-up", "0.2", "--loss-down", "0.2", "--seed", "7", "--trace", trace}, pads);
    Cli cli(sandbox);
    cli.fullScan();
    // The loss spares no hello either: greet the missing pads again by their lamps, as a user would.
    for (int attempt = 0; attempt < 20; ++attempt) {
        std::vector<int> missing;
        const std::map<int, bool> lamps = lampsSince(cli.lines(), 0);
        for (const char id : pads) {
            const int j = int(std::string_view("0123456789ac").find(id));
            if (!lamps.contains(j) || !lamps.at(j))
                missing.push_back(j);
        }
        if (missing.empty())
            break;
        for (const int j : missing) {
            const std::size_t click = cli.mark();
            cli.send("lamp " + std::to_string(j));
            cli.waitEvent("refresh", [](const QJsonObject&) { return true; }, kScan, click);
        }
    }
    const std::map<int, bool> lamps = lampsSince(cli.lines(), 0);
    ASSERT_EQ(std::count_if(lamps.begin(), lamps.end(), [](const auto& l) { return l.second; }), std::ptrdiff_t(pads.size()));

    const std::size_t from = cli.mark();
    // A long delay keeps every reply well inside its wait, also on a busy machine.
    cli.send("loops 4\ndelay 250\necho");
    const std::size_t end = cli.waitEvent(
        "progress", [](const QJsonObject& e) { return !e.value(QStringLiteral("visible")).toBool(); }, kScan * 2, from);

    // The last report line of each pad, and the echo frames the program logged.
    std::map<char, Counters> report;
    static const std::regex reportText(R"((\d+) +(\d+) +(\d+) +(\d+) +(\d+))");
    for (std::size_t i = from; i < end; ++i) {
        if (!isEvent(cli.lines()[i], "report"))
            continue;
        const QJsonObject e = event(cli.lines()[i]);
        const int j = e.value(QStringLiteral("j")).toInt();
        const char id = "0123456789ac"[j];
        const std::string line = text(e, "text").toStdString();
        std::smatch m;
        if (line == std::to_string(j)) {
            report.erase(id); // the start of the test
            continue;
        }
        ASSERT_TRUE(std::regex_match(line, m, reportText)) << line;
        EXPECT_EQ(m[1], std::to_string(j));
        // The J-number, then four counters right-aligned in 8 characters.
        EXPECT_EQ(line.size(), std::to_string(j).size() + 32) << line;
        report[id] = Counters{std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4]), std::stoi(m[5]),
                              e.value(QStringLiteral("red")).toBool()};
    }
    const std::map<char, Counters> expected = reportFromTrace(trace);
    EXPECT_EQ(report, expected);

    int resends = 0;
    int replies = 0;
    for (const auto& [id, c] : expected) {
        resends += c.resends;
        replies += c.replies;
    }
    EXPECT_GT(resends, 0) << "the loss must show";
    EXPECT_GT(replies, 0);
    // One echo frame per pad and loop, each logged as "ID -->  loop  time".
    static const std::regex sent(R"([03ac] --> +[1-4] +\d+)");
    EXPECT_EQ(countIf(cli.lines(), from, [](const std::string& l) { return std::regex_match(l, sent); }), pads.size() * 4);

    cli.send("quit");
    EXPECT_EQ(cli.process().wait(kStart), 0) << cli.process().errorOutput();
}

// ---------------------------------------------------------------------------------------------
// A serial line that goes away: one log line, the port closed at once, an idle program, the
// echo report kept, and the next full scan works once the device is back.

struct LossCase {
    const char* name;
    bool duringEcho;
    bool kill; // the simulator killed instead of its port unplugged
};

void PrintTo(const LossCase& c, std::ostream* out)
{
    *out << c.name;
}

class LineLost : public testing::TestWithParam<LossCase> {};

TEST_P(LineLost, OneLogLineThePortClosedAnIdleProgramAndTheNextScanWorks)
{
    const LossCase& c = GetParam();
    Sandbox sandbox;
    const std::string pads = c.duringEcho ? "03ac" : "0123456789ac";
    auto sim = std::make_unique<KivoSim>(sandbox, kCom, std::vector<std::string>{}, pads);
    Cli cli(sandbox);

    std::size_t from = cli.mark();
    if (c.duringEcho) {
        cli.fullScan();
        from = cli.mark();
        cli.send("loops 50\ndelay 130\necho");
        static const std::regex secondLoop(R"(0 --> +2 +\d+)");
        cli.waitLine([](const std::string& l) { return std::regex_match(l, secondLoop); }, kScan, from);
    } else {
        cli.send("fullscan");
        cli.waitLog("9 --> Hello J3", kScan, from);
    }
    const std::string terminal = sim->terminal();
    ASSERT_FALSE(terminal.empty());
    const std::size_t pulled = cli.mark();
    if (c.kill) {
        sim->process().signal(SIGKILL);
        ASSERT_TRUE(sim->process().wait(kStart));
    } else {
        sim->unplug();
    }

    const std::string lost = "9 Serial line lost (" + sandbox.dataDir() + "ports/COM9: device removed); port closed";
    const std::size_t lostAt = cli.waitLog(lost, kScan, pulled);
    const std::vector<std::string> open = cli.process().openFiles();
    EXPECT_EQ(std::find(open.begin(), open.end(), terminal), open.end()) << terminal << " is still open";

    // Idle afterwards: over a few seconds nearly no CPU and not a line more in the log.
    const double cpuBefore = cli.process().cpuSeconds();
    const auto start = Clock::now();
    cli.process().collect(milliseconds(3000));
    const double cpu = cli.process().cpuSeconds() - cpuBefore;
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_LT(cpu / wall, 0.05) << cpu << " s of CPU in " << wall << " s";
    RecordProperty("cpu_share_after_loss", std::to_string(cpu / wall));
    EXPECT_EQ(logLines(cli.lines(), lostAt + 1, cli.lines().size()), std::vector<std::string>{});
    EXPECT_EQ(countIf(cli.lines(), pulled, [](const std::string& l) { return contains(l, "Serial line lost"); }), 1u);
    EXPECT_EQ(countIf(cli.lines(), 0, [](const std::string& l) { return l.rfind("Error", 0) == 0 || isEvent(l, "error"); }),
              0u);

    std::map<int, std::string> reportBefore;
    if (c.duringEcho) {
        for (std::size_t i = from; i < lostAt; ++i) {
            if (isEvent(cli.lines()[i], "report"))
                reportBefore[event(cli.lines()[i]).value(QStringLiteral("j")).toInt()] =
                    text(event(cli.lines()[i]), "text").toStdString();
        }
        EXPECT_GT(countIf(cli.lines(), lostAt,
                          [](const std::string& l) {
                              return isEvent(l, "progress") && !event(l).value(QStringLiteral("visible")).toBool();
                          }),
                  0u)
            << "the echo test ends";
    }

    // The device is back.
    if (c.kill)
        sim = std::make_unique<KivoSim>(sandbox, kCom, std::vector<std::string>{}, pads);
    else
        sim->plug();
    const std::size_t rescan = cli.mark();
    const QJsonObject refresh = cli.fullScan();
    EXPECT_EQ(text(refresh, "lblPort"), QStringLiteral("9"));
    const std::map<int, bool> lamps = lampsSince(cli.lines(), rescan);
    EXPECT_EQ(std::count_if(lamps.begin(), lamps.end(), [](const auto& l) { return l.second; }), std::ptrdiff_t(pads.size()));
    EXPECT_EQ(countIf(cli.lines(), 0, [](const std::string& l) { return contains(l, "Serial line lost"); }), 1u);
    // The report keeps its lines through the loss and the new scan.
    EXPECT_EQ(countIf(cli.lines(), lostAt, [](const std::string& l) { return isEvent(l, "report"); }), 0u);
    if (c.duringEcho) {
        EXPECT_FALSE(reportBefore.empty());
    }

    cli.send("quit");
    EXPECT_EQ(cli.process().wait(kStart), 0) << cli.process().errorOutput();
}

INSTANTIATE_TEST_SUITE_P(Moments, LineLost,
                         testing::Values(LossCase{"UnpluggedDuringThePadScan", false, false},
                                         LossCase{"UnpluggedDuringTheEchoTest", true, false},
                                         LossCase{"SimulatorKilledDuringTheEchoTest", true, true}),
                         [](const testing::TestParamInfo<LossCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Scripts and exit statuses.

TEST(Script, CommandsTheWindowWouldNotRunAreRefusedAndTheEndOfTheScriptQuits)
{
    Sandbox sandbox;
    const std::string path = sandbox.path("script.txt");
    {
        std::ofstream script(path);
        // Before any scan: the echo test, the status group and the DCS choice are disabled, the
        // bandwidth choice is hidden outside developer mode; the rest is not understood.
        script << "# a comment\n"
                  "\n"
                  "loops 5\n"
                  "echo\n"
                  "lamp 3\n"
                  "dcs on\n"
                  "bandwidth 1\n"
                  "judge\n"
                  "bogus\n"
                  "channel 12\n"
                  "fullscan now\n"
                  "wait 50\n";
    }
    Cli cli(sandbox, {path});
    ASSERT_EQ(cli.process().wait(kStart), 0) << cli.process().errorOutput();

    std::vector<std::string> refused;
    for (const std::string& line : cli.lines()) {
        EXPECT_TRUE(isEvent(line, "refused")) << line;
        refused.push_back(text(event(line), "command").toStdString());
    }
    EXPECT_EQ(refused, (std::vector<std::string>{"echo", "lamp 3", "dcs on", "bandwidth 1", "judge", "bogus",
                                                 "channel 12", "fullscan now"}));
}

struct ExitCase {
    const char* name;
    std::vector<std::string> args;
    bool lockHeld;
    std::string errorText;
};

void PrintTo(const ExitCase& c, std::ostream* out)
{
    *out << c.name;
}

class ExitStatus : public testing::TestWithParam<ExitCase> {};

TEST_P(ExitStatus, IsTwoWithTheReasonOnStandardError)
{
    const ExitCase& c = GetParam();
    Sandbox sandbox;
    std::unique_ptr<Cli> holder;
    if (c.lockHeld) {
        holder = std::make_unique<Cli>(sandbox);
        // Once it answers, it holds the lock.
        holder->send("hello");
        holder->waitEvent("refused", [](const QJsonObject&) { return true; }, kStart, 0);
    }
    Cli cli(sandbox, c.args);
    cli.process().closeInput();
    EXPECT_EQ(cli.process().wait(kStart), 2);
    EXPECT_TRUE(contains(cli.process().errorOutput(), c.errorText)) << cli.process().errorOutput();
    EXPECT_TRUE(cli.lines().empty());
    if (holder) {
        holder->process().closeInput();
        EXPECT_EQ(holder->process().wait(kStart), 0) << "the end of input quits";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ExitStatus,
    testing::Values(ExitCase{"LockHeld", {}, true, "Already running: Not allowed!  Tarnwick or Quelta already running."},
                    ExitCase{"UnreadableScript", {"/nonexistent/script"}, false, "Cannot read the script /nonexistent/script"},
                    ExitCase{"TwoScripts", {"a", "b"}, false, "usage: quelta-cli [script]"}),
    [](const testing::TestParamInfo<ExitCase>& info) { return std::string(info.param.name); });

} // namespace
