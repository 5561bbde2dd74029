#pragma once
#include "SimClock.h"

#include <QString>
#include <chrono>
#include <deque>
#include <map>

// The simulation in real time, for kivo-sim: a steady clock and pseudo-terminal ports.
namespace sim {

class RealClock : public Clock {
public:
    qint64 nowUs() const override;
    void schedule(qint64 atUs, Action fn) override;
    // Runs what has fallen due, including what those actions schedule for now.
    void runDue();
    // -1 when nothing is scheduled.
    qint64 nextDueUs() const;

private:
    using Key = std::pair<qint64, quint64>;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::map<Key, Action> timers_;
    quint64 seq_ = 0;
};

// A pseudo-terminal standing in for the serial port COMn: its slave end is linked as
// <ports folder>/COMn, the program under test opens that link. A pseudo-terminal has no baud
// rate, so the bytes towards the program are paced here, one every kByteUs.
class PtyPort : public Line {
public:
    // Throws std::runtime_error when the terminal or the link cannot be made.
    PtyPort(RealClock& clock, int com, const QString& portsFolder);
    ~PtyPort() override;
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    void attach(Endpoint& endpoint) { endpoint_ = &endpoint; }
    int com() const { return com_; }
    const QString& linkPath() const { return linkPath_; }

    void send(const QByteArray& bytes) override;
    bool connected() const override { return state_ == State::Connected; }

    // The device is pulled out: the terminal is closed under the program and its link removed.
    void unplug();
    // Plugged in again: a new terminal behind the same link. Throws like the constructor.
    void plug();
    bool plugged() const { return state_ != State::Unplugged; }

    // For the poll loop. While the program has the port closed the master end reports a
    // hang-up on every poll, so it is left out and looked at again now and then.
    int fd() const { return master_; }
    bool polled() const { return state_ != State::HungUp && state_ != State::Unplugged; }
    short events() const;
    void handle(short revents);
    void lookForReopen();
    // Writes the bytes whose time has come; -1 when nothing waits.
    void pump();
    qint64 nextDueUs() const;

private:
    enum class State { NeverOpened, Connected, HungUp, Unplugged };

    void claim();
    void openTerminal();
    void makeLink();
    void removeLink();
    void readAll();
    void hangUp();
    void becomeConnected();

    RealClock& clock_;
    const int com_;
    const QString portsFolder_;
    int claim_ = -1;
    int master_ = -1;
    QString slavePath_;
    QString linkPath_;
    Endpoint* endpoint_ = nullptr;
    State state_ = State::NeverOpened;
    struct Due {
        qint64 atUs;
        char byte;
    };
    std::deque<Due> out_;
    qint64 lineFreeUs_ = 0;
    bool blocked_ = false;
};

} // namespace sim
