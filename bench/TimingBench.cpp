// Timing fidelity on a real pseudo-terminal: quelta-cli drives kivo-sim, and the simulator's
// trace gives the moment each unit reached it. Measures the pacing of queued frames, the pause
// before a module command's trailer, the time per port of a walk over ports that never answer,
// the pad scan, and an echo test against the window's estimate; and the CPU quelta-cli uses
// while idle and during the echo test.
//
//     timing-bench [--loops N]
#include "BenchSupport.h"
#include "QtEventLoop.h"
#include "QtSerialDevice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

#include <functional>
#include <map>
#include <optional>

namespace {

using bench::ErrorStats;
using bench::out;

constexpr int kBaseCom = 7;
constexpr int kSilentPorts = 6; // COM1..COM6, walked before the base station
constexpr int kScans = 5;
constexpr int kCommandRounds = 3;
constexpr int kPadScans = 5;
constexpr int kEchoDelayMs = 180;
constexpr int kIdleMs = 20000;

struct OutputLine {
    qint64 atUs;
    QString text;
};

// A child program whose standard output is read line by line as it comes, each line with the
// moment it arrived.
class Child {
public:
    Child(const QString& program, const QStringList& args, const QProcessEnvironment& env, const QElapsedTimer& clock)
        : clock_(clock)
    {
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(program, args);
        if (!process_.waitForStarted(5000))
            throw std::runtime_error(("cannot start " + program).toStdString());
    }
    ~Child()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(2000);
        }
    }

    qint64 pid() const { return process_.processId(); }
    std::size_t mark() const { return lines_.size(); }
    const std::vector<OutputLine>& lines() const { return lines_; }

    void send(const QString& line)
    {
        process_.write((line + u'\n').toUtf8());
        process_.waitForBytesWritten(1000);
    }

    // Reads what comes for ms milliseconds.
    void pump(int ms)
    {
        QElapsedTimer t;
        t.start();
        for (qint64 left = ms; left > 0; left = ms - t.elapsed())
            if (process_.waitForReadyRead(int(left)))
                take();
    }

    // The first line from index from on that satisfies pred, waiting up to ms for it.
    std::optional<OutputLine> waitFor(std::size_t from, const std::function<bool(const QString&)>& pred, int ms)
    {
        QElapsedTimer t;
        t.start();
        for (;;) {
            for (std::size_t i = from; i < lines_.size(); ++i)
                if (pred(lines_[i].text))
                    return lines_[i];
            from = lines_.size();
            const qint64 left = ms - t.elapsed();
            if (left <= 0 || process_.state() == QProcess::NotRunning)
                return std::nullopt;
            if (process_.waitForReadyRead(int(left)))
                take();
        }
    }

    bool finish(int ms)
    {
        process_.closeWriteChannel();
        const bool done = process_.waitForFinished(ms);
        take();
        return done && process_.exitStatus() == QProcess::NormalExit;
    }

private:
    void take()
    {
        const qint64 now = clock_.nsecsElapsed() / 1000;
        partial_ += process_.readAllStandardOutput();
        for (qsizetype eol = partial_.indexOf('\n'); eol >= 0; eol = partial_.indexOf('\n')) {
            lines_.push_back({now, QString::fromUtf8(partial_.left(eol))});
            partial_.remove(0, eol + 1);
        }
    }

    const QElapsedTimer& clock_;
    QProcess process_;
    QByteArray partial_;
    std::vector<OutputLine> lines_;
};

struct TraceUnit {
    qint64 firstUs;
    qint64 lastUs;
    bool rx;
    QString kind; // command, trailer, frame, ... or COMn for another port
    QString bytes;
};

std::vector<TraceUnit> readTrace(const QString& path)
{
    std::vector<TraceUnit> units;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return units;
    while (!file.atEnd()) {
        const QString line = QString::fromLatin1(file.readLine()).chopped(1);
        const QStringList f = line.split(u' ');
        if (f.size() < 4)
            continue;
        const qsizetype bytesAt = f[0].size() + f[1].size() + f[2].size() + f[3].size() + 4;
        units.push_back({f[0].toLongLong(), f[1].toLongLong(), f[2] == u"rx", f[3], line.mid(bytesAt)});
    }
    std::sort(units.begin(), units.end(), [](const TraceUnit& a, const TraceUnit& b) { return a.firstUs < b.firstUs; });
    return units;
}

enum class FrameClass { Hello, Command, Echo, Other };

FrameClass classify(const QString& frame)
{
    if (frame.endsWith(QLatin1String("<ESC>13<EOT>")))
        return FrameClass::Hello;
    if (frame.endsWith(QLatin1String("<ESC>4<EOT>")))
        return frame.contains(u'J') ? FrameClass::Echo : FrameClass::Other; // bare echoes are resends
    if (frame.contains(QLatin1String("<ACK>")))
        return FrameClass::Other; // acknowledgements go out at whatever pace is in force
    return FrameClass::Command;
}

// Intervals between consecutive frames of one class that belong to one burst.
std::vector<double> intervals(const std::vector<TraceUnit>& units, FrameClass cls, double targetMs)
{
    std::vector<double> errors;
    qint64 previous = -1;
    for (const TraceUnit& u : units) {
        if (!u.rx || u.kind != u"frame")
            continue;
        if (classify(u.bytes) != cls) {
            previous = -1;
            continue;
        }
        if (previous >= 0) {
            const double ms = double(u.firstUs - previous) / 1000.0;
            if (ms < 1.5 * targetMs)
                errors.push_back(ms - targetMs);
        }
        previous = u.firstUs;
    }
    return errors;
}

bool isVersionQuery(const TraceUnit& u)
{
    return u.rx && (u.kind == u"command" || u.kind.startsWith(u"COM")) && u.bytes.startsWith(QLatin1String("ER_CMD#T3"));
}

// From the last byte of each module command to the first of its "ACK" trailer, on every port.
std::vector<double> trailerPauses(const std::vector<TraceUnit>& units, double targetMs)
{
    std::vector<double> errors;
    std::map<QString, const TraceUnit*> lastCommand; // by port
    for (const TraceUnit& u : units) {
        if (!u.rx)
            continue;
        const QString port = u.kind.startsWith(u"COM") ? u.kind : QStringLiteral("base");
        if (u.bytes.startsWith(QLatin1String("ER_CMD#")) && u.bytes.endsWith(QLatin1String("ACK"))) {
            errors.push_back(-targetMs); // command and trailer in one burst: no pause at all
            continue;
        }
        if (u.bytes.startsWith(QLatin1String("ER_CMD#"))) {
            lastCommand[port] = &u;
        } else if (u.bytes == u"ACK" && lastCommand.count(port) && lastCommand[port]) {
            errors.push_back(double(u.firstUs - lastCommand[port]->lastUs) / 1000.0 - targetMs);
            lastCommand[port] = nullptr;
        }
    }
    return errors;
}

// Version queries of one walk come one port after the other; a gap of a second ends the walk.
std::vector<double> walkPerPort(const std::vector<TraceUnit>& units, double targetMs)
{
    std::vector<double> errors;
    qint64 previous = -1;
    for (const TraceUnit& u : units) {
        if (!isVersionQuery(u))
            continue;
        if (previous >= 0 && u.firstUs - previous < 1'000'000)
            errors.push_back(double(u.firstUs - previous) / 1000.0 - targetMs);
        previous = u.firstUs;
    }
    return errors;
}

void row(const QString& what, double targetMs, const std::vector<double>& errors)
{
    const ErrorStats s = ErrorStats::of(errors);
    const bool meets = s.n > 0 && s.medianAbs < 1.0 && s.p99Abs < 5.0;
    out() << QStringLiteral("%1 %2 %3 %4 %5 %6 %7  %8")
                 .arg(what, -34)
                 .arg(targetMs, 8, 'f', 1)
                 .arg(s.n, 5)
                 .arg(s.median, 8, 'f', 2)
                 .arg(s.medianAbs, 8, 'f', 2)
                 .arg(s.p99Abs, 8, 'f', 2)
                 .arg(s.maxAbs, 8, 'f', 2)
                 .arg(meets ? QStringLiteral("meets the aim") : QStringLiteral("MISSES the aim"))
          << Qt::endl;
}

bool isRefresh(const QString& line)
{
    return line.startsWith(QLatin1String("# {\"event\":\"refresh\""));
}

bool isRefreshWithPads(const QString& line)
{
    return isRefresh(line) && line.contains(QLatin1String("\"lblKVVer\":\"912\""));
}

int run(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int loops = 20;
    const QStringList args = QCoreApplication::arguments();
    if (const qsizetype i = args.indexOf(QStringLiteral("--loops")); i > 0 && i + 1 < args.size())
        loops = std::max(1, args[i + 1].toInt());

    const bench::Home home;
    QElapsedTimer clock;
    clock.start();
    out() << "timing-bench on " << bench::machine() << Qt::endl;

    QStringList simArgs{QStringLiteral("--com"), QString::number(kBaseCom), QStringLiteral("--trace"),
                        home.path(QStringLiteral("trace.txt"))};
    for (int n = 1; n <= kSilentPorts; ++n)
        simArgs << QStringLiteral("--silent-port") << QString::number(n);
    Child sim(QStringLiteral(KIVO_SIM_PATH), simArgs, home.environment(), clock);
    if (!sim.waitFor(0, [](const QString& l) { return l == QStringLiteral("ready COM%1").arg(kBaseCom); }, 10000)) {
        out() << "kivo-sim did not get ready" << Qt::endl;
        return 1;
    }
    Child cli(QStringLiteral(QUELTA_CLI_PATH), {}, home.environment(), clock);

    const auto command = [&](const QString& line, const std::function<bool(const QString&)>& done, int ms) {
        const std::size_t from = cli.mark();
        cli.send(line);
        const std::optional<OutputLine> end = cli.waitFor(from, done, ms);
        if (!end)
            throw std::runtime_error(("no end to \"" + line + "\"").toStdString());
        return std::pair{from, *end};
    };

    for (int i = 0; i < kScans; ++i)
        command(QStringLiteral("fullscan"), isRefreshWithPads, 10000);

    cli.pump(1000);
    const bench::ProcessTimes idleFrom = bench::ProcessTimes::of(cli.pid());
    cli.pump(kIdleMs);
    const bench::ProcessTimes idleTo = bench::ProcessTimes::of(cli.pid());

    for (int r = 0; r < kCommandRounds; ++r) {
        for (const char* c : {"lock", "unlock", "judge", "nextdive"}) {
            if (QLatin1String(c) == QLatin1String("nextdive"))
                cli.send(QStringLiteral("broadcast off")); // a dive frame for every pad, not one for all
            command(QString::fromLatin1(c), isRefresh, 5000);
        }
    }

    std::vector<double> padScanErrors;
    for (int i = 0; i < kPadScans; ++i) {
        const auto [from, end] = command(QStringLiteral("activeport"), isRefreshWithPads, 5000);
        // The lamps go red just before the hello frames are queued: the scan starts there.
        for (std::size_t k = from; k < cli.lines().size(); ++k) {
            if (cli.lines()[k].text == QLatin1String("# {\"event\":\"lamp\",\"j\":11,\"colour\":\"red\"}")) {
                padScanErrors.push_back(double(end.atUs - cli.lines()[k].atUs) / 1000.0 - 1560.0);
                break;
            }
        }
    }

    cli.send(QStringLiteral("delay %1").arg(kEchoDelayMs));
    cli.send(QStringLiteral("loops %1").arg(loops));
    cli.pump(200);
    const bench::ProcessTimes echoFrom = bench::ProcessTimes::of(cli.pid());
    const QString lastReport = QStringLiteral("# {\"event\":\"report\",\"j\":11,\"text\":\"11%1")
                                   .arg(QString::number(loops).rightJustified(8, u' '));
    const auto [echoStart, echoEnd] = command(
        QStringLiteral("echo"), [&](const QString& l) { return l.startsWith(lastReport); },
        loops * 12 * kEchoDelayMs * 2 + 5000);
    const bench::ProcessTimes echoTo = bench::ProcessTimes::of(cli.pid());
    std::optional<qint64> echoStartUs;
    for (std::size_t k = echoStart; k < cli.lines().size() && !echoStartUs; ++k)
        if (cli.lines()[k].text.startsWith(QLatin1String("# {\"event\":\"report\",\"j\":11,\"text\":\"11\"")))
            echoStartUs = cli.lines()[k].atUs;

    cli.send(QStringLiteral("quit"));
    cli.finish(5000);

    // What opening and closing a port costs by itself, on one of the silent ports, with the
    // program's own serial device: the walk spends it on every port on top of its waits.
    std::vector<double> openClose;
    {
        QtEventLoop loop;
        QtSerialDevice device(loop);
        const QString port = home.path(QStringLiteral("config/Orvane/TarnwickUtils/ports/COM1"));
        for (int i = 0; i < 20; ++i) {
            QElapsedTimer t;
            t.start();
            device.open(port);
            device.close();
            openClose.push_back(double(t.nsecsElapsed()) / 1e6);
        }
    }
    sim.send(QStringLiteral("quit"));
    sim.finish(5000);

    const std::vector<TraceUnit> trace = readTrace(home.path(QStringLiteral("trace.txt")));
    out() << QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
                 .arg(QStringLiteral("(all times in ms)"), -34)
                 .arg(QStringLiteral("target"), 8)
                 .arg(QStringLiteral("n"), 5)
                 .arg(QStringLiteral("median"), 8)
                 .arg(QStringLiteral("|median|"), 8)
                 .arg(QStringLiteral("p99 |e|"), 8)
                 .arg(QStringLiteral("max |e|"), 8)
          << Qt::endl;
    row(QStringLiteral("hello frame interval"), 120, intervals(trace, FrameClass::Hello, 120));
    row(QStringLiteral("command frame interval"), 100, intervals(trace, FrameClass::Command, 100));
    row(QStringLiteral("echo frame interval (test delay)"), kEchoDelayMs, intervals(trace, FrameClass::Echo, kEchoDelayMs));
    row(QStringLiteral("module command to its ACK"), 20, trailerPauses(trace, 20));
    row(QStringLiteral("port walk, per silent port"), 220, walkPerPort(trace, 220));
    row(QStringLiteral("pad scan, to the refresh"), 1560, padScanErrors);
    out() << QStringLiteral("opening and closing a port (QtSerialDevice), 20 times: median %1 ms, p99 %2 ms; the walk "
                            "pays it once a port beside its 220 ms of waits")
                 .arg(ErrorStats::percentile(openClose, 0.5), 0, 'f', 2)
                 .arg(ErrorStats::percentile(openClose, 0.99), 0, 'f', 2)
          << Qt::endl;

    // The echo test as the window sees it, and as the line sees it.
    std::vector<qint64> echoFrames;
    for (const TraceUnit& u : trace)
        if (u.rx && u.kind == u"frame" && classify(u.bytes) == FrameClass::Echo)
            echoFrames.push_back(u.firstUs);
    const double ideal = double(loops) * 12 * kEchoDelayMs;
    // As the window estimates it (WindowModel::DoTime): the product times 1.045, truncated.
    const auto estimate = double(static_cast<qint64>(static_cast<long double>(ideal) * 1.045L));
    const double window = echoStartUs ? double(echoEnd.atUs - *echoStartUs) / 1000.0 : 0.0;
    const double line = echoFrames.empty() ? 0.0 : double(echoFrames.back() - echoFrames.front()) / 1000.0 + kEchoDelayMs;
    out() << QStringLiteral("echo test, %1 loops x 12 pads at %2 ms: %3 s in the window (first report line reset to "
                            "last report line), %4 s on the line (first echo frame to one delay after the last); "
                            "DoTime estimate %5 s (%6% above the window's), ideal %7 s")
                 .arg(loops)
                 .arg(kEchoDelayMs)
                 .arg(window / 1000.0, 0, 'f', 3)
                 .arg(line / 1000.0, 0, 'f', 3)
                 .arg(estimate / 1000.0, 0, 'f', 3)
                 .arg(window > 0 ? (estimate / window - 1.0) * 100.0 : 0.0, 0, 'f', 2)
                 .arg(ideal / 1000.0, 0, 'f', 3)
          << Qt::endl;

    const double idleSeconds = kIdleMs / 1000.0;
    const double echoSeconds = window / 1000.0;
    out() << QStringLiteral("quelta-cli idle after a scan, %1 s: %2 s CPU (%3%), %4 voluntary and %5 involuntary "
                            "context switches")
                 .arg(idleSeconds, 0, 'f', 0)
                 .arg(idleTo.cpuSeconds - idleFrom.cpuSeconds, 0, 'f', 2)
                 .arg((idleTo.cpuSeconds - idleFrom.cpuSeconds) / idleSeconds * 100.0, 0, 'f', 2)
                 .arg(idleTo.voluntarySwitches - idleFrom.voluntarySwitches)
                 .arg(idleTo.involuntarySwitches - idleFrom.involuntarySwitches)
          << Qt::endl;
    out() << QStringLiteral("quelta-cli during the echo test, %1 s: %2 s CPU (%3%), %4 voluntary context switches")
                 .arg(echoSeconds, 0, 'f', 1)
                 .arg(echoTo.cpuSeconds - echoFrom.cpuSeconds, 0, 'f', 2)
                 .arg(echoSeconds > 0 ? (echoTo.cpuSeconds - echoFrom.cpuSeconds) / echoSeconds * 100.0 : 0.0, 0, 'f', 2)
                 .arg(echoTo.voluntarySwitches - echoFrom.voluntarySwitches)
          << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "timing-bench: %s\n", e.what());
        return 1;
    }
}
