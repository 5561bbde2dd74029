#pragma once
#include "SimClock.h"

#include <QByteArray>
#include <vector>

namespace sim {

// A port with something behind it that never answers (a modem, another device).
class SilentEndpoint : public Endpoint {
public:
    void receive(char byte) override { heard_ += byte; }
    const QByteArray& heard() const { return heard_; }

private:
    QByteArray heard_;
};

// A device that answers every burst of bytes with the same noise, of a length no module reply
// has (not 9, 10, 26 or 27).
class GarbageEndpoint : public Endpoint {
public:
    static QByteArray defaultGarbage();

    GarbageEndpoint(Clock& clock, Line& line, QByteArray garbage = defaultGarbage(), qint64 quietUs = 5000);
    void receive(char byte) override;
    const QByteArray& heard() const { return heard_; }
    int answers() const { return answers_; }

private:
    void onQuiet();

    Clock& clock_;
    Line& line_;
    QByteArray garbage_;
    qint64 quietUs_;
    qint64 lastByteUs_ = 0;
    bool armed_ = false;
    QByteArray heard_;
    int answers_ = 0;
};

} // namespace sim
