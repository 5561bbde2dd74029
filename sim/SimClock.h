#pragma once
#include <QByteArray>
#include <QtGlobal>
#include <functional>

// What the simulation needs of whatever runs it: a clock, and a line towards the program. The
// virtual loop of the tests and the real-time pseudo-terminal server both provide them.
namespace sim {

// One byte (start, 8 data, stop) at 19200 baud.
inline constexpr qint64 kByteUs = 521;

class Clock {
public:
    using Action = std::function<void()>;
    virtual ~Clock() = default;
    virtual qint64 nowUs() const = 0;
    // Runs fn at atUs (at once, on the next turn, when atUs has passed).
    virtual void schedule(qint64 atUs, Action fn) = 0;
};

class Line {
public:
    virtual ~Line() = default;
    // Bytes towards the program, paced at the baud rate by the line; dropped while no program
    // has the port open, like a real serial port.
    virtual void send(const QByteArray& bytes) = 0;
    virtual bool connected() const = 0;
};

// Something behind a port: the base station, a port that never answers, a noisy device.
class Endpoint {
public:
    virtual ~Endpoint() = default;
    // One byte from the program.
    virtual void receive(char byte) = 0;
    virtual void connected() {}
    virtual void disconnected() {}
};

} // namespace sim
