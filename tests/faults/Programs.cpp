#include "Programs.h"

#include <QDir>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using Clock = std::chrono::steady_clock;

Machine::Machine()
{
    QDir().mkpath(home.path() + QStringLiteral("/run"));
    QDir().mkpath(dataDir() + QStringLiteral("ports"));
}

Program::Program(const char* path, const QStringList& args, const Machine& machine)
{
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);

    std::vector<std::string> strings{path};
    for (const QString& a : args)
        strings.push_back(a.toStdString());
    const std::string home = machine.home.path().toStdString();
    std::vector<std::string> env{"XDG_CONFIG_HOME=" + home, "XDG_RUNTIME_DIR=" + home + "/run", "HOME=" + home};
    for (char** e = environ; *e != nullptr; ++e)
        if (std::strncmp(*e, "XDG_CONFIG_HOME=", 16) != 0 && std::strncmp(*e, "XDG_RUNTIME_DIR=", 16) != 0
            && std::strncmp(*e, "HOME=", 5) != 0)
            env.emplace_back(*e);
    std::vector<char*> argv;
    for (std::string& s : strings)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& s : env)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    const int rc = posix_spawn(&pid_, path, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    in_ = in[1];
    out_ = out[0];
    if (rc != 0)
        throw std::runtime_error(std::string("cannot start ") + path);
    // Its end can then be polled, with a time-out, instead of slept for.
    pidfd_ = int(::syscall(SYS_pidfd_open, pid_, 0));
}

Program::~Program()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    closeInput();
    ::close(out_);
    if (pidfd_ >= 0)
        ::close(pidfd_);
}

Program::Read Program::readSome(Clock::time_point until)
{
    if (outputEnded_)
        return Read::Ended;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
    pollfd p{out_, POLLIN, 0};
    if (::poll(&p, 1, int(std::max<qint64>(0, left.count()))) <= 0)
        return Read::Quiet;
    char buffer[4096];
    const ssize_t n = ::read(out_, buffer, sizeof buffer);
    if (n <= 0) {
        outputEnded_ = true;
        return Read::Ended;
    }
    partial_.append(buffer, qsizetype(n));
    qsizetype eol;
    while ((eol = partial_.indexOf('\n')) >= 0) {
        lines_.append(QString::fromUtf8(partial_.first(eol)));
        partial_.remove(0, eol + 1);
    }
    return Read::Data;
}

bool Program::waitFor(const QString& text, std::chrono::milliseconds timeout)
{
    const auto until = Clock::now() + timeout;
    for (;;) {
        for (; next_ < lines_.size(); ++next_)
            if (lines_[next_].contains(text)) {
                ++next_;
                return true;
            }
        if (Clock::now() >= until || readSome(until) == Read::Ended)
            return false;
    }
}

void Program::tell(const QByteArray& line)
{
    const QByteArray bytes = line + '\n';
    if (::write(in_, bytes.constData(), std::size_t(bytes.size())) != ssize_t(bytes.size()))
        throw std::runtime_error("write to a child");
}

void Program::closeInput()
{
    if (in_ >= 0)
        ::close(in_);
    in_ = -1;
}

void Program::signal(int sig) const
{
    if (pid_ > 0)
        ::kill(pid_, sig);
}

int Program::wait(std::chrono::milliseconds timeout)
{
    const auto until = Clock::now() + timeout;
    while (pid_ > 0) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            // What it wrote last is still in the pipe.
            while (readSome(Clock::now() + 1s) == Read::Data) {
            }
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
        if (left.count() <= 0)
            return -1;
        // Keep reading, so that a child with much to say is not stuck on a full pipe.
        pollfd p[2] = {{pidfd_, POLLIN, 0}, {outputEnded_ ? -1 : out_, POLLIN, 0}};
        if (::poll(p, 2, int(left.count())) > 0 && (p[1].revents & (POLLIN | POLLHUP)) != 0)
            readSome(Clock::now());
    }
    return -1;
}
