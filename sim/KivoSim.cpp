// kivo-sim: the simulated base station and pads, served in real time on pseudo-terminals.
#include "BaseStation.h"
#include "RealTime.h"
#include "Responders.h"
#include "SimOptions.h"

#include <DataFolder.h>

#include <QDir>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

void installSignals()
{
    if (::pipe2(signalPipe, O_NONBLOCK | O_CLOEXEC) != 0)
        throw std::runtime_error("pipe2 failed");
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaction(sig, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    // Run in the background of a shell, reading the terminal would stop us; EIO instead.
    std::signal(SIGTTIN, SIG_IGN);
}

void say(const QString& text)
{
    std::fprintf(stderr, "kivo-sim: %s\n", text.toLocal8Bit().constData());
}

class NullEndpoint : public sim::Endpoint {
public:
    void receive(char) override {}
};

// Another port's endpoint, with what the port hears written to the trace: one unit per burst of
// bytes (a pause of more than a millisecond starts the next), written when the next burst
// begins or the program closes the port.
class TracedEndpoint : public sim::Endpoint {
public:
    using Sink = std::function<void(qint64 firstUs, qint64 lastUs, const QByteArray& bytes)>;

    TracedEndpoint(sim::Clock& clock, sim::Endpoint& inner, Sink sink)
        : clock_(clock), inner_(inner), sink_(std::move(sink))
    {
    }

    void receive(char byte) override
    {
        const qint64 now = clock_.nowUs();
        if (!burst_.isEmpty() && now - lastUs_ > kBurstGapUs)
            flush();
        if (burst_.isEmpty())
            firstUs_ = now;
        burst_ += byte;
        lastUs_ = now;
        inner_.receive(byte);
    }
    void connected() override { inner_.connected(); }
    void disconnected() override
    {
        flush();
        inner_.disconnected();
    }

private:
    static constexpr qint64 kBurstGapUs = 1000;

    void flush()
    {
        if (!burst_.isEmpty())
            sink_(firstUs_, lastUs_, burst_);
        burst_.clear();
    }

    sim::Clock& clock_;
    sim::Endpoint& inner_;
    Sink sink_;
    QByteArray burst_;
    qint64 firstUs_ = 0;
    qint64 lastUs_ = 0;
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

class Server {
public:
    Server(const sim::SimOptions& options, const QString& portsFolder)
    {
        sim::StationConfig config = options.station;
        config.keepRecords = false; // runs for hours; the trace file is the record
        if (!options.tracePath.isEmpty()) {
            trace_.reset(std::fopen(QFile::encodeName(options.tracePath).constData(), "w"));
            if (!trace_)
                throw std::runtime_error(("cannot write " + options.tracePath).toStdString());
        }
        stationPort_ = std::make_unique<sim::PtyPort>(clock_, options.com, portsFolder);
        station_ = std::make_unique<sim::BaseStation>(clock_, *stationPort_, config, options.seed);
        stationPort_->attach(*station_);
        if (trace_)
            station_->setObserver([this](const sim::LineUnit& unit) { writeTrace(unit); });
        for (const int com : options.silentPorts) {
            ports_.push_back(std::make_unique<sim::PtyPort>(clock_, com, portsFolder));
            attach(*ports_.back(), silence_);
        }
        for (const int com : options.garbagePorts) {
            ports_.push_back(std::make_unique<sim::PtyPort>(clock_, com, portsFolder));
            garbage_.push_back(std::make_unique<sim::GarbageEndpoint>(clock_, *ports_.back()));
            attach(*ports_.back(), *garbage_.back());
        }
    }

    int com() const { return stationPort_->com(); }

    void run()
    {
        std::vector<sim::PtyPort*> all{stationPort_.get()};
        for (const auto& port : ports_)
            all.push_back(port.get());
        while (!quit_) {
            clock_.runDue();
            for (sim::PtyPort* port : all) {
                port->lookForReopen();
                port->pump();
            }

            std::vector<pollfd> fds{{signalPipe[0], POLLIN, 0}};
            if (stdinOpen_)
                fds.push_back({STDIN_FILENO, POLLIN, 0});
            const std::size_t firstPort = fds.size();
            std::vector<sim::PtyPort*> polled;
            bool anyHungUp = false;
            for (sim::PtyPort* port : all) {
                if (port->polled()) {
                    fds.push_back({port->fd(), port->events(), 0});
                    polled.push_back(port);
                } else if (port->plugged()) {
                    anyHungUp = true;
                }
            }

            const qint64 now = clock_.nowUs();
            qint64 wakeUs = -1;
            const auto earliest = [&wakeUs](qint64 at) {
                if (at >= 0 && (wakeUs < 0 || at < wakeUs))
                    wakeUs = at;
            };
            earliest(clock_.nextDueUs());
            for (sim::PtyPort* port : all)
                earliest(port->nextDueUs());
            if (anyHungUp)
                earliest(now + 2000); // how soon a reopened port is noticed
            timespec timeout{};
            timespec* wait = nullptr;
            if (wakeUs >= 0) {
                const qint64 us = std::max<qint64>(0, wakeUs - now);
                timeout.tv_sec = time_t(us / 1000000);
                timeout.tv_nsec = long(us % 1000000) * 1000;
                wait = &timeout;
            }
            if (::ppoll(fds.data(), nfds_t(fds.size()), wait, nullptr) < 0) {
                if (errno == EINTR)
                    continue;
                throw std::runtime_error("poll failed");
            }
            if (fds[0].revents != 0)
                return;
            if (stdinOpen_ && fds[1].revents != 0)
                readStdin();
            for (std::size_t i = 0; i < polled.size(); ++i) {
                if (fds[firstPort + i].revents != 0)
                    polled[i]->handle(fds[firstPort + i].revents);
            }
        }
    }

private:
    // With a trace, what the other ports hear goes into it too, the port in place of the kind.
    void attach(sim::PtyPort& port, sim::Endpoint& endpoint)
    {
        if (!trace_) {
            port.attach(endpoint);
            return;
        }
        traced_.push_back(std::make_unique<TracedEndpoint>(
            clock_, endpoint, [this, com = port.com()](qint64 firstUs, qint64 lastUs, const QByteArray& bytes) {
                std::fprintf(trace_.get(), "%lld %lld rx COM%d %s\n", static_cast<long long>(firstUs),
                             static_cast<long long>(lastUs), com, sim::printable(bytes).constData());
                std::fflush(trace_.get());
            }));
        port.attach(*traced_.back());
    }

    void readStdin()
    {
        char buffer[1024];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                return;
            stdinOpen_ = false; // end of input is not the end of the simulation
            return;
        }
        input_.append(buffer, n);
        for (qsizetype eol = input_.indexOf('\n'); eol >= 0; eol = input_.indexOf('\n')) {
            const QByteArray line = input_.left(eol);
            input_.remove(0, eol + 1);
            command(line.endsWith('\r') ? line.chopped(1) : line);
        }
        if (input_.size() > 4096)
            input_.clear();
    }

    void command(const QByteArray& line)
    {
        const QByteArray word = line.trimmed().split(' ').value(0);
        if (word.isEmpty())
            return;
        if (word == "quit" || word == "exit") {
            quit_ = true;
        } else if (word == "type") {
            // "type 3 7.5": the text is everything after the pad ID and one space.
            const QByteArray rest = line.trimmed().mid(5);
            if (rest.size() < 3 || rest[1] != ' ') {
                say(QStringLiteral("usage: type ID TEXT"));
                return;
            }
            const char id = rest[0];
            if (!stationPort_->connected())
                say(QStringLiteral("COM%1 is not open: the message will not reach the program").arg(com()));
            if (!station_->typeOnPad(id, rest.mid(2)))
                say(QStringLiteral("there is no pad %1").arg(QLatin1Char(id)));
        } else if (word == "state") {
            printState();
        } else if (word == "unplug") {
            stationPort_->unplug();
            std::printf("unplugged COM%d\n", com());
            std::fflush(stdout);
        } else if (word == "plug") {
            if (stationPort_->plugged())
                return;
            try {
                stationPort_->plug();
            } catch (const std::exception& e) {
                say(QString::fromLocal8Bit(e.what()));
                return;
            }
            std::printf("ready COM%d\n", com());
            std::fflush(stdout);
        } else {
            say(QStringLiteral("commands: type ID TEXT, state, unplug, plug, quit"));
        }
    }

    void printState()
    {
        const sim::RadioModule& module = station_->module();
        std::printf("module %s channel %d bandwidth %c dcs %s port %s\n", module.config().version.constData(),
                    module.channel(), module.bandwidthCode(), module.dcs() ? "on" : "off",
                    !stationPort_->plugged() ? "unplugged" : stationPort_->connected() ? "open" : "closed");
        for (int j = 0; j < sim::kPadCount; ++j) {
            const sim::Pad& pad = station_->padAt(j);
            if (!pad.present())
                continue;
            std::printf("pad %c version %s %s dive \"%s\" prompt \"%s\" acks %zu\n", pad.id(),
                        pad.config().version.constData(), pad.locked() ? "locked" : "unlocked",
                        sim::printable(pad.diveText()).constData(), sim::printable(pad.judgePrompt()).constData(),
                        pad.acknowledgements().size());
        }
        std::fflush(stdout);
    }

    void writeTrace(const sim::LineUnit& unit)
    {
        std::fprintf(trace_.get(), "%lld %lld %s %s %s\n", static_cast<long long>(unit.firstUs),
                     static_cast<long long>(unit.lastUs), unit.from == sim::LineUnit::From::Program ? "rx" : "tx",
                     sim::unitKindName(unit.kind), sim::printable(unit.bytes).constData());
        std::fflush(trace_.get());
    }

    sim::RealClock clock_;
    std::unique_ptr<sim::PtyPort> stationPort_;
    std::unique_ptr<sim::BaseStation> station_;
    std::vector<std::unique_ptr<sim::PtyPort>> ports_;
    NullEndpoint silence_;
    std::vector<std::unique_ptr<sim::GarbageEndpoint>> garbage_;
    std::unique_ptr<std::FILE, FileCloser> trace_;
    std::vector<std::unique_ptr<TracedEndpoint>> traced_;
    QByteArray input_;
    bool stdinOpen_ = true;
    bool quit_ = false;
};

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const sim::ParsedOptions parsed = sim::parseSimOptions(args);
    if (!parsed.options) {
        say(parsed.error);
        std::fputs(sim::simUsage().toLocal8Bit().constData(), stderr);
        return 2;
    }
    if (parsed.options->help) {
        std::fputs(sim::simUsage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    const QString folder = dataFolder();
    if (folder.isEmpty()) {
        say(QStringLiteral("the data folder is unknown: set XDG_CONFIG_HOME or HOME"));
        return 1;
    }
    try {
        installSignals();
        Server server(*parsed.options, folder + QStringLiteral("ports"));
        std::printf("ready COM%d\n", server.com());
        std::fflush(stdout);
        server.run();
    } catch (const std::exception& e) {
        say(QString::fromLocal8Bit(e.what()));
        return 1;
    }
    return 0;
}
