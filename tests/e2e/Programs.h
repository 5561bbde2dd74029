#pragma once
#include "Process.h"

#include <QJsonObject>
#include <QTemporaryDir>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace e2e {

// Generous, for a loaded two-core machine running sanitized builds; the waits end as soon as
// their condition holds.
inline constexpr milliseconds kStart{10000};
inline constexpr milliseconds kScan{20000};

// A fresh data folder and runtime folder, removed afterwards: every program of a test sees
// only its own ports, settings and lock.
class Sandbox {
public:
    Sandbox();
    std::string configHome() const;
    std::string dataDir() const;   // <config home>/Orvane/TarnwickUtils/
    std::string runtimeDir() const;
    // A file of the test's own, outside the program's folders.
    std::string path(const std::string& name) const;
    // The environment of the programs: this one's, with the two folders and the C locale.
    std::vector<std::string> environment() const;
    // Sets the same in this process, for a program built into the test.
    void apply() const;
    void writeSettings(const std::string& text) const;

private:
    QTemporaryDir root_;
};

// kivo-sim, ready once it has linked its ports.
class KivoSim {
public:
    KivoSim(const Sandbox& sandbox, int com, std::vector<std::string> options = {}, std::string pads = "0123456789ac");

    Process& process() { return *process_; }
    int com() const { return com_; }
    // The pseudo-terminal behind the station's link, e.g. /dev/pts/4.
    std::string terminal() const;

    struct PadState {
        std::string version, dive;
        bool locked = false;
        int acks = 0;
    };
    struct State {
        std::string module, port;
        int channel = -1;
        char bandwidth = '?';
        bool dcs = false;
        std::map<char, PadState> pads;
    };
    State state();
    // The judge types on the pad.
    void type(char id, const std::string& text);
    void unplug();
    void plug();

private:
    const Sandbox& sandbox_;
    const int com_;
    const std::string pads_;
    std::unique_ptr<Process> process_;
    std::size_t read_ = 0;
};

// quelta-cli reading its commands from a pipe; its output lines are log lines or "# {json}".
class Cli {
public:
    explicit Cli(const Sandbox& sandbox, std::vector<std::string> args = {});

    Process& process() { return process_; }
    const std::vector<std::string>& lines() const { return process_.lines(); }
    void send(const std::string& commands);

    // The index of the first line from `from` on that matches; fails the test when none comes.
    std::size_t waitLine(const std::function<bool(const std::string&)>& pred, milliseconds timeout, std::size_t from);
    std::size_t waitLog(const std::string& text, milliseconds timeout, std::size_t from);
    std::size_t waitEvent(const std::string& name, const std::function<bool(const QJsonObject&)>& pred,
                          milliseconds timeout, std::size_t from);
    // Sends fullscan and waits for the refresh that ends it with pads found; that refresh.
    QJsonObject fullScan();
    // After a configuration command: the full scan that follows it, up to its last refresh.
    QJsonObject scanThatFollows(std::size_t from);

    std::size_t mark() const { return lines().size(); }

private:
    Process process_;
};

bool isEvent(const std::string& line);
// The event object of a "# {json}" line; empty for a log line.
QJsonObject event(const std::string& line);
bool isEvent(const std::string& line, const char* name);
bool contains(const std::string& text, const std::string& part);

} // namespace e2e
