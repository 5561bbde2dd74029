#pragma once
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace e2e {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A program under test, started with pipes on its standard input, output and error. Its
// output is collected line by line as the test waits for it; its error output is collected
// on the side, so that a chatty sanitizer can never fill the pipe and stall the program.
class Process {
public:
    Process(const std::string& path, const std::vector<std::string>& args, const std::vector<std::string>& environment);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t pid() const { return pid_; }
    void write(std::string_view text);
    void closeInput();
    void signal(int sig) const;

    // Every line of standard output so far.
    const std::vector<std::string>& lines() const { return lines_; }
    // The index of the first line from `from` on that satisfies pred, reading more output as
    // it comes; nothing when the time-out passes or the output ends first.
    std::optional<std::size_t> waitFor(const std::function<bool(const std::string&)>& pred, milliseconds timeout,
                                       std::size_t from = 0);
    // Collects whatever output comes within the time.
    void collect(milliseconds time);
    std::string errorOutput();

    // Exit status (128 + signal when killed), or nothing when it has not ended in time. All
    // output is collected first.
    std::optional<int> wait(milliseconds timeout);
    bool running();

    // User and system time the process has used, from /proc.
    double cpuSeconds() const;
    // Targets of its open file descriptors, from /proc.
    std::vector<std::string> openFiles() const;

private:
    // Reads what is there, waiting up to `wait`; false when standard output has ended.
    bool pump(milliseconds wait);
    void reap(int status);

    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::string partial_;
    std::string errors_;
    std::vector<std::string> lines_;
    std::optional<int> status_;
};

} // namespace e2e
