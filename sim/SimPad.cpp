#include "SimPad.h"

#include <algorithm>

namespace sim {

std::vector<AirFrame> Pad::heard() const
{
    std::vector<AirFrame> out;
    std::copy_if(down_.begin(), down_.end(), std::back_inserter(out), [](const AirFrame& f) { return !f.lost; });
    return out;
}

int Pad::lostDown() const
{
    return int(std::count_if(down_.begin(), down_.end(), [](const AirFrame& f) { return f.lost; }));
}

int Pad::lostUp() const
{
    return int(std::count_if(up_.begin(), up_.end(), [](const AirFrame& f) { return f.lost; }));
}

int Pad::delivered(FrameKind kind) const
{
    return int(std::count_if(up_.begin(), up_.end(),
                             [kind](const AirFrame& f) { return f.kind == kind && f.atProgramUs >= 0; }));
}

std::optional<Pad::Reply> Pad::hear(const ProgramFrame& frame)
{
    if (frame.kind == FrameKind::Acknowledgement)
        acknowledgements_.push_back(frame.text.startsWith("OK") ? frame.text.mid(2) : frame.text);
    // Each code character after ESC is an order: 0 unlocks the keyboard (dives and the
    // judge-ID prompt carry it so that the judge can type), 1 locks it (hello frames and
    // acknowledgements), 2 shows the judge-ID prompt, 3 asks for a hello reply, 4 for an echo.
    std::optional<Reply> reply;
    for (const char code : frame.codes) {
        switch (code) {
        case '0': locked_ = false; break;
        case '1': locked_ = true; break;
        case '2': judgePrompt_ = frame.shown; break;
        case '3': reply = Reply{FrameKind::HelloReply, padFrame(id_, kAck + config_.version)}; break;
        case '4':
            if (frame.kind == FrameKind::Echo) {
                lastLoop_ = frame.shown;
                reply = Reply{FrameKind::EchoReply, padFrame(id_, kAck + (id_ + frame.text))};
            } else {
                // A bare echo is answered with the pad's own field and the last loop it saw.
                const QByteArray field = id_ + ("J" + QByteArray::number(index()));
                reply = Reply{FrameKind::EchoReply, padFrame(id_, kAck + field + "  " + lastLoop_)};
            }
            break;
        default: break;
        }
    }
    if (frame.kind == FrameKind::Dive || frame.kind == FrameKind::BroadcastDive)
        diveText_ = frame.shown;
    return reply;
}

Pad::Reply Pad::typed(const QByteArray& text) const
{
    return Reply{FrameKind::PadMessage, padFrame(id_, text)};
}

} // namespace sim
