#include "PadFrame.h"
#include "SimOptions.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <cstring>
#include <functional>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

TEST(KivoSimOptions, ReadsEveryOptionAndRefusesWhatCannotBeMeant)
{
    struct Case {
        QStringList args;
        std::function<bool(const sim::SimOptions&)> holds; // empty: the arguments must be refused
    };
    const auto present = [](const sim::SimOptions& o) {
        QByteArray ids;
        for (int j = 0; j < sim::kPadCount; ++j)
            ids += o.station.pads[std::size_t(j)].present ? sim::padId(j) : '-';
        return ids;
    };
    const std::vector<Case> cases = {
        {{}, [&](const auto& o) { return o.com == 7 && present(o) == "0123456789ac" && o.seed == 1 && !o.help; }},
        {{"--com", "3"}, [](const auto& o) { return o.com == 3; }},
        {{"--com=12"}, [](const auto& o) { return o.com == 12; }},
        {{"--com", "0"}, {}},
        {{"--com", "51"}, {}},
        {{"--com", "x"}, {}},
        {{"--com"}, {}},
        {{"--pads", "03a"}, [&](const auto& o) { return present(o) == "0--3------a-"; }},
        {{"--pads", ""}, [&](const auto& o) { return present(o) == "------------"; }},
        {{"--pads", "0b"}, {}},
        {{"--pad-version", "950"},
         [](const auto& o) { return o.station.pads[0].version == "950" && o.station.pads[11].version == "950"; }},
        {{"--pad-version", "a=1002", "--pad-version", "3="},
         [](const auto& o) {
             return o.station.pads[10].version == "1002" && o.station.pads[3].version.isEmpty()
                 && o.station.pads[0].version == "912";
         }},
        {{"--pad-version", "123456"}, {}},
        {{"--pad-version", "b=1"}, {}},
        {{"--module-version", "ER400TRS-02V2.01.7", "--no-reset", "--zero-channel"},
         [](const auto& o) {
             return o.station.module.version == sim::kClassicVersion && !o.station.module.supportsReset
                 && o.station.module.zeroReplyToChannelQuery;
         }},
        {{"--channel", "4"}, [](const auto& o) { return o.station.module.channel == 4; }},
        {{"--channel", "10"}, {}},
        {{"--loss-up", "0.25", "--loss-down", "1"},
         [](const auto& o) { return o.station.air.lossUp == 0.25 && o.station.air.lossDown == 1.0; }},
        {{"--loss-up", "1.5"}, {}},
        {{"--loss-down", "-0.1"}, {}},
        {{"--latency", "2.5"},
         [](const auto& o) { return o.station.air.latencyDownUs == 2500 && o.station.air.latencyUpUs == 2500; }},
        {{"--latency", "soon"}, {}},
        {{"--reply-delay", "250", "--reply-jitter", "40", "--module-latency", "1"},
         [](const auto& o) {
             return o.station.pads[5].replyDelayUs == 250000 && o.station.pads[5].replyJitterUs == 40000
                 && o.station.module.latencyUs == 1000;
         }},
        {{"--seed", "18446744073709551615"}, [](const auto& o) { return o.seed == 18446744073709551615ull; }},
        {{"--seed", "-1"}, {}},
        {{"--silent-port", "3", "--silent-port", "5", "--garbage-port", "9"},
         [](const auto& o) {
             return o.silentPorts == std::vector<int>{3, 5} && o.garbagePorts == std::vector<int>{9};
         }},
        {{"--silent-port", "7"}, {}},
        {{"--silent-port", "3", "--garbage-port", "3"}, {}},
        {{"--trace", "/tmp/t"}, [](const auto& o) { return o.tracePath == "/tmp/t"; }},
        {{"--help"}, [](const auto& o) { return o.help; }},
        {{"--no-reset=1"}, {}},
        {{"--bogus"}, {}},
        {{"3"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const sim::ParsedOptions parsed = sim::parseSimOptions(c.args);
        if (c.holds) {
            ASSERT_TRUE(parsed.options.has_value()) << parsed.error.toStdString();
            EXPECT_TRUE(c.holds(*parsed.options));
        } else {
            EXPECT_FALSE(parsed.options.has_value());
            EXPECT_FALSE(parsed.error.isEmpty());
        }
    }
}

using Clock = std::chrono::steady_clock;

// kivo-sim as a child process with pipes on its standard input and output.
class Child {
public:
    Child(const QStringList& args, const QString& configHome)
    {
        int in[2];
        int out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);

        std::vector<std::string> strings{KIVO_SIM_PATH};
        for (const QString& a : args)
            strings.push_back(a.toStdString());
        std::vector<std::string> env{"XDG_CONFIG_HOME=" + configHome.toStdString()};
        for (char** e = environ; *e != nullptr; ++e) {
            if (std::strncmp(*e, "XDG_CONFIG_HOME=", 16) != 0)
                env.emplace_back(*e);
        }
        std::vector<char*> argv;
        for (std::string& s : strings)
            argv.push_back(s.data());
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (std::string& s : env)
            envp.push_back(s.data());
        envp.push_back(nullptr);
        const int rc = posix_spawn(&pid_, KIVO_SIM_PATH, &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        stdin_ = in[1];
        stdout_ = out[0];
        if (rc != 0)
            throw std::runtime_error("posix_spawn");
    }
    ~Child()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(stdin_);
        ::close(stdout_);
    }

    // One line of standard output, or empty after the time-out.
    std::string readLine(std::chrono::milliseconds timeout)
    {
        const auto end = Clock::now() + timeout;
        std::string line;
        while (Clock::now() < end) {
            pollfd p{stdout_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            char c = 0;
            if (::read(stdout_, &c, 1) != 1)
                break;
            if (c == '\n')
                return line;
            line += c;
        }
        return {};
    }
    void tell(const std::string& line) { ASSERT_EQ(::write(stdin_, line.data(), line.size()), ssize_t(line.size())); }
    void signal(int sig) { ::kill(pid_, sig); }
    // The exit status, or -1 when it has not ended in time.
    int wait(std::chrono::milliseconds timeout)
    {
        const auto end = Clock::now() + timeout;
        while (Clock::now() < end) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    int stdin_ = -1;
    int stdout_ = -1;
};

// Reads until n bytes have come or the time-out has passed.
QByteArray readBytes(int fd, qsizetype n, std::chrono::milliseconds timeout)
{
    const auto end = Clock::now() + timeout;
    QByteArray got;
    while (got.size() < n && Clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0)
            continue;
        char buffer[256];
        const ssize_t r = ::read(fd, buffer, sizeof buffer);
        if (r > 0)
            got.append(buffer, r);
    }
    return got;
}

void writeAll(int fd, const QByteArray& bytes)
{
    ASSERT_EQ(::write(fd, bytes.constData(), std::size_t(bytes.size())), ssize_t(bytes.size()));
}

TEST(KivoSim, ServesTheBaseStationOnAPseudoTerminalAndCleansUp)
{
    using namespace std::chrono_literals;
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString trace = home.filePath("trace.txt");
    Child child({"--com", "7", "--pads", "3", "--silent-port", "4", "--trace", trace}, home.path());
    ASSERT_EQ(child.readLine(10s), "ready COM7");

    const QString ports = home.path() + "/Orvane/TarnwickUtils/ports/";
    const QString link = ports + "COM7";
    ASSERT_TRUE(QFileInfo(link).isSymLink());
    ASSERT_TRUE(QFileInfo(ports + "COM4").isSymLink());
    // Opened as the program would, without touching the terminal mode.
    const int fd = ::open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);

    writeAll(fd, "ER_CMD#T3");
    std::this_thread::sleep_for(20ms);
    writeAll(fd, "ACK");
    const auto trailerSent = Clock::now();
    EXPECT_EQ(readBytes(fd, 26, 3s), "ER_CMD#T3ERA400TRS-V1.02.3");
    // 26 bytes at 19200 baud take 13.5 ms; a pseudo-terminal alone would take none.
    EXPECT_GE(Clock::now() - trailerSent, 13ms);

    // EOT and CR pass unchanged in both directions: the terminal is raw.
    const QByteArray echo = sim::padFrame('3', QByteArray("J3  1\r2") + sim::kEsc + "4");
    writeAll(fd, echo);
    const QByteArray reply = sim::padFrame('3', sim::kAck + QByteArray("3J3  1\r2"));
    EXPECT_EQ(sim::printable(readBytes(fd, reply.size(), 3s)), sim::printable(reply));

    child.tell("type 3 7.5\n");
    EXPECT_EQ(sim::printable(readBytes(fd, 6, 3s)), sim::printable(sim::padFrame('3', "7.5")));

    child.signal(SIGTERM);
    EXPECT_EQ(child.wait(5s), 0);
    ::close(fd);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_FALSE(QFileInfo(ports + "COM4").isSymLink());

    QFile file(trace);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray lines = file.readAll();
    EXPECT_TRUE(lines.contains(" rx command ER_CMD#T3\n")) << lines.constData();
    EXPECT_TRUE(lines.contains(" rx trailer ACK\n"));
    EXPECT_TRUE(lines.contains(" tx reply ER_CMD#T3ERA400TRS-V1.02.3\n"));
}

TEST(KivoSim, RefusesToTakeOverALiveLink)
{
    using namespace std::chrono_literals;
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    Child first({"--com", "9"}, home.path());
    ASSERT_EQ(first.readLine(10s), "ready COM9");
    Child second({"--com", "9"}, home.path());
    EXPECT_EQ(second.wait(5s), 1);
    // The first one still owns its link.
    EXPECT_TRUE(QFileInfo(home.path() + "/Orvane/TarnwickUtils/ports/COM9").exists());
    first.signal(SIGINT);
    EXPECT_EQ(first.wait(5s), 0);
    EXPECT_FALSE(QFileInfo(home.path() + "/Orvane/TarnwickUtils/ports/COM9").isSymLink());
}

} // namespace
