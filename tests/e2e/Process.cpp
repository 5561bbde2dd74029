#include "Process.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <utility>
#include <unistd.h>

namespace e2e {
namespace {

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> out;
    for (std::string& s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

} // namespace

Process::Process(const std::string& path, const std::vector<std::string>& args, const std::vector<std::string>& environment)
{
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe2 failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    std::vector<std::string> argStrings{path};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<std::string> envStrings = environment;
    const std::vector<char*> argv = pointers(argStrings);
    const std::vector<char*> envp = pointers(envStrings);
    const int rc = posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    in_ = in[1];
    out_ = out[0];
    err_ = err[0];
    if (rc != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start " + path + ": " + std::strerror(rc));
    }
    // A program that ends early must not kill the test with SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    ::fcntl(err_, F_SETFL, O_NONBLOCK);
}

Process::~Process()
{
    if (pid_ > 0 && !status_) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    closeFd(in_);
    closeFd(out_);
    closeFd(err_);
}

void Process::write(std::string_view text)
{
    while (!text.empty()) {
        const ssize_t n = ::write(in_, text.data(), text.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw std::runtime_error("the program does not read its input any more");
        text.remove_prefix(std::size_t(n));
    }
}

void Process::closeInput()
{
    closeFd(in_);
}

void Process::signal(int sig) const
{
    if (pid_ > 0 && !status_)
        ::kill(pid_, sig);
}

bool Process::pump(milliseconds wait)
{
    if (out_ < 0) {
        collect(milliseconds(0));
        return false;
    }
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    const int ready = ::poll(fds, err_ >= 0 ? 2 : 1, int(wait.count()));
    if (ready <= 0)
        return true;
    char buffer[4096];
    if (err_ >= 0 && fds[1].revents != 0) {
        const ssize_t n = ::read(err_, buffer, sizeof buffer);
        if (n > 0)
            errors_.append(buffer, std::size_t(n));
        else if (n == 0)
            closeFd(err_);
    }
    if (fds[0].revents == 0)
        return true;
    const ssize_t n = ::read(out_, buffer, sizeof buffer);
    if (n <= 0) {
        if (n < 0 && errno == EINTR)
            return true;
        if (!partial_.empty())
            lines_.push_back(std::exchange(partial_, {}));
        closeFd(out_);
        return false;
    }
    partial_.append(buffer, std::size_t(n));
    for (std::size_t eol = partial_.find('\n'); eol != std::string::npos; eol = partial_.find('\n')) {
        lines_.push_back(partial_.substr(0, eol));
        partial_.erase(0, eol + 1);
    }
    return true;
}

std::optional<std::size_t> Process::waitFor(const std::function<bool(const std::string&)>& pred, milliseconds timeout,
                                            std::size_t from)
{
    const auto end = Clock::now() + timeout;
    for (;;) {
        for (std::size_t i = from; i < lines_.size(); ++i) {
            if (pred(lines_[i]))
                return i;
        }
        from = std::max(from, lines_.size());
        const auto now = Clock::now();
        if (now >= end)
            return std::nullopt;
        if (!pump(std::chrono::duration_cast<milliseconds>(end - now) + milliseconds(1)) && from == lines_.size())
            return std::nullopt;
    }
}

void Process::collect(milliseconds time)
{
    const auto end = Clock::now() + time;
    do {
        const auto left = std::max(milliseconds(0), std::chrono::duration_cast<milliseconds>(end - Clock::now()));
        if (out_ >= 0) {
            if (!pump(left))
                continue;
        } else if (err_ >= 0) {
            pollfd p{err_, POLLIN, 0};
            if (::poll(&p, 1, int(left.count())) <= 0)
                continue;
            char buffer[4096];
            const ssize_t n = ::read(err_, buffer, sizeof buffer);
            if (n > 0)
                errors_.append(buffer, std::size_t(n));
            else if (n == 0)
                closeFd(err_);
        } else {
            return;
        }
    } while (Clock::now() < end);
}

std::string Process::errorOutput()
{
    collect(milliseconds(0));
    return errors_;
}

void Process::reap(int status)
{
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool Process::running()
{
    if (status_)
        return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        reap(status);
        return false;
    }
    return true;
}

std::optional<int> Process::wait(milliseconds timeout)
{
    const auto end = Clock::now() + timeout;
    // The output first: a program blocked on a full pipe would never end.
    while (out_ >= 0 && Clock::now() < end)
        pump(std::chrono::duration_cast<milliseconds>(end - Clock::now()));
    while (running()) {
        if (Clock::now() >= end)
            return std::nullopt;
        collect(milliseconds(10));
    }
    while (err_ >= 0 && Clock::now() < end)
        collect(milliseconds(10));
    return status_;
}

double Process::cpuSeconds() const
{
    std::ifstream file("/proc/" + std::to_string(pid_) + "/stat");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    // The name in parentheses may hold spaces; the fields are counted after it.
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        throw std::runtime_error("no /proc stat for the program");
    std::istringstream fields(text.substr(close + 2));
    std::vector<std::string> f{std::istream_iterator<std::string>(fields), std::istream_iterator<std::string>()};
    // Fields 14 and 15 of stat (utime, stime) are the 12th and 13th after the name.
    const double ticks = std::stod(f.at(11)) + std::stod(f.at(12));
    return ticks / double(::sysconf(_SC_CLK_TCK));
}

std::vector<std::string> Process::openFiles() const
{
    std::vector<std::string> out;
    const std::string folder = "/proc/" + std::to_string(pid_) + "/fd";
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return out;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        char target[4096];
        const ssize_t n = ::readlink((folder + "/" + entry->d_name).c_str(), target, sizeof target);
        if (n > 0)
            out.emplace_back(target, std::size_t(n));
    }
    ::closedir(dir);
    return out;
}

} // namespace e2e
