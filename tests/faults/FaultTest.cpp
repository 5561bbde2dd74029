// Faults of a real serial line, end to end: kivo-sim serves the base station and stand-ins for
// other devices on pseudo-terminals, quelta-cli drives them as a user would.
#include "Programs.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>

#include <csignal>
#include <memory>

namespace {

std::unique_ptr<Program> startSim(const Machine& machine, const QStringList& args)
{
    auto sim = std::make_unique<Program>(KIVO_SIM_PATH, args, machine);
    EXPECT_TRUE(sim->waitFor(QStringLiteral("ready COM"), 10s)) << sim->lines().join('\n').toStdString();
    return sim;
}

std::unique_ptr<Program> startCli(const Machine& machine)
{
    return std::make_unique<Program>(QUELTA_CLI_PATH, QStringList{}, machine);
}

// A scan is over when the hello frame of J11 has gone out and the window has been refreshed.
bool scanEnded(Program& cli)
{
    return cli.waitFor(QStringLiteral(" --> Hello J11")) && cli.waitFor(QStringLiteral("\"event\":\"refresh\""));
}

QString lastRefresh(const Program& cli)
{
    const QStringList refreshes = matching(cli.lines(), QStringLiteral("\"event\":\"refresh\""));
    return refreshes.isEmpty() ? QString() : refreshes.last();
}

void expectNoError(const QStringList& lines)
{
    EXPECT_EQ(matching(lines, QStringLiteral("Error")), QStringList());
    EXPECT_EQ(matching(lines, QStringLiteral("\"event\":\"error\"")), QStringList());
}

std::string dump(const Program& program)
{
    return program.lines().join('\n').toStdString();
}

// A port that opens but never answers, and one that answers twelve bytes of noise to each
// command and trailer (fewer than a version reply's 26): the e2e suite's full scans walk past
// them to the base station. Here they are all there is (the base station's link taken away):
// the walk asks each once, takes nothing, scans no pads and ends with the window showing that
// no base station was found, the Scans menu usable again.
TEST(SerialFaults, PortsThatDoNotAnswerProperlyAreNoBaseStation)
{
    const Machine machine;
    const auto sim = startSim(machine, {"--com", "7", "--silent-port", "3", "--garbage-port", "4"});
    ASSERT_TRUE(QFile::remove(machine.portLink(7)));
    const auto cli = startCli(machine);
    cli->tell("fullscan");
    ASSERT_TRUE(cli->waitFor(QStringLiteral("\"lblFirmware\":\"No Base Station found\""), 30s)) << dump(*cli);
    cli->tell("quit");
    ASSERT_EQ(cli->wait(), 0);

    const QStringList& log = cli->lines();
    EXPECT_EQ(matching(log, QStringLiteral("Available port numbers: 3, 4")).size(), 1) << dump(*cli);
    EXPECT_EQ(matching(log, QStringLiteral("3 --> ER_CMD#T3")).size(), 1);
    EXPECT_EQ(matching(log, QStringLiteral("4 --> ER_CMD#T3")).size(), 1);
    EXPECT_EQ(matching(log, QStringLiteral(" <-- ")), QStringList());
    EXPECT_EQ(matching(log, QStringLiteral("Hello")), QStringList());
    const QString refresh = lastRefresh(*cli);
    EXPECT_TRUE(refresh.contains(QStringLiteral("\"SpTBXSubmenuItemScans\":true"))) << refresh.toStdString();
    EXPECT_TRUE(refresh.contains(QStringLiteral("\"SpTBXItemEcho\":false")));
    expectNoError(log);
}

// A second instance started while the first runs refuses to start, says why and touches
// nothing; the first goes on. Once the first has been killed outright, the lock is free and
// so is the port it had open: the next instance scans and finds the base station.
TEST(SerialFaults, OneInstanceAtATimeAndAKilledOneLeavesNothingHeld)
{
    const Machine machine;
    const auto sim = startSim(machine, {"--com", "7", "--pads", "3"});
    const auto first = startCli(machine);
    first->tell("fullscan");
    ASSERT_TRUE(first->waitFor(QStringLiteral("7 <-- J3 here")));

    const auto second = startCli(machine);
    second->closeInput();
    EXPECT_EQ(second->wait(), 2);
    EXPECT_EQ(second->lines(), QStringList{QStringLiteral("Already running: Not allowed!  Tarnwick or Quelta already running.")});
    ASSERT_TRUE(scanEnded(*first)) << dump(*first);
    first->tell("lock");
    EXPECT_TRUE(first->waitFor(QStringLiteral("7 --> Hello J3")));

    first->signal(SIGKILL);
    EXPECT_EQ(first->wait(), 128 + SIGKILL);
    const auto third = startCli(machine);
    third->tell("fullscan");
    EXPECT_TRUE(third->waitFor(QStringLiteral("7 <-- Base station version V1.02.3"))) << dump(*third);
    EXPECT_TRUE(third->waitFor(QStringLiteral("7 <-- J3 here (v 912)"))) << dump(*third);
    ASSERT_TRUE(scanEnded(*third));
    third->tell("quit");
    EXPECT_EQ(third->wait(), 0);
    expectNoError(third->lines());
}

// The base station goes away while lock frames wait in the queue: one log line says so, the
// rest of the queue is dropped without an error per frame, and once the device is back the
// next full scan finds it and its pads again.
TEST(SerialFaults, DeviceRemovedMidQueue)
{
    const Machine machine;
    auto sim = startSim(machine, {"--com", "7"});
    const auto cli = startCli(machine);
    cli->tell("fullscan");
    ASSERT_TRUE(scanEnded(*cli)) << dump(*cli);
    cli->tell("lock");
    const qsizetype queued = cli->mark();
    ASSERT_TRUE(cli->waitFor(QStringLiteral("7 --> Hello J2")));
    sim->signal(SIGKILL);
    EXPECT_EQ(sim->wait(), 128 + SIGKILL);
    ASSERT_TRUE(cli->waitFor(QStringLiteral("Serial line lost"))) << dump(*cli);

    // The device node goes with the device; the dead simulator's link would point at a
    // terminal number that the system may already have given to someone else.
    QFile::remove(machine.portLink(7));
    sim = startSim(machine, {"--com", "7"});
    const qsizetype lost = cli->mark();
    cli->tell("fullscan");
    ASSERT_TRUE(scanEnded(*cli)) << dump(*cli);
    cli->tell("quit");
    EXPECT_EQ(cli->wait(), 0);

    const QStringList afterLock = cli->linesSince(queued);
    const QStringList untilRescan = afterLock.mid(0, afterLock.indexOf(QStringLiteral("Start Full Scan")));
    const qsizetype lostLine = untilRescan.indexOf(QRegularExpression(QStringLiteral("^7 Serial line lost \\(.*\\); port closed$")));
    ASSERT_GE(lostLine, 0) << dump(*cli);
    EXPECT_EQ(matching(untilRescan, QStringLiteral("Serial line lost")).size(), 1);
    EXPECT_EQ(matching(untilRescan.mid(lostLine), QStringLiteral(" --> ")), QStringList());
    // Fewer than twelve lock frames went out: the rest of the queue was dropped.
    EXPECT_LT(matching(untilRescan, QStringLiteral(" --> Hello J")).size(), 12);
    expectNoError(cli->lines());
    EXPECT_TRUE(cli->linesSince(lost).contains(QStringLiteral("7 <-- Base station version V1.02.3")));
    EXPECT_TRUE(cli->linesSince(lost).contains(QStringLiteral("7 <-- J11 here (v 912)")));
}

} // namespace
