#include "Responders.h"

namespace sim {

QByteArray GarbageEndpoint::defaultGarbage()
{
    return QByteArray("#?ERR\x15\x7f\xfeNOISE", 12);
}

GarbageEndpoint::GarbageEndpoint(Clock& clock, Line& line, QByteArray garbage, qint64 quietUs)
    : clock_(clock), line_(line), garbage_(std::move(garbage)), quietUs_(quietUs)
{
}

void GarbageEndpoint::receive(char byte)
{
    heard_ += byte;
    lastByteUs_ = clock_.nowUs();
    if (armed_)
        return;
    armed_ = true;
    clock_.schedule(lastByteUs_ + quietUs_, [this] { onQuiet(); });
}

void GarbageEndpoint::onQuiet()
{
    if (clock_.nowUs() < lastByteUs_ + quietUs_) {
        clock_.schedule(lastByteUs_ + quietUs_, [this] { onQuiet(); });
        return;
    }
    armed_ = false;
    ++answers_;
    line_.send(garbage_);
}

} // namespace sim
