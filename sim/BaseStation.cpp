#include "BaseStation.h"

#include <algorithm>
#include <stdexcept>

namespace sim {
namespace {

// Far beyond the longest dive line; a frame that never ends is noise.
constexpr qsizetype kMaxFrame = 1024;

} // namespace

StationConfig StationConfig::withPads(std::string_view ids)
{
    StationConfig config;
    for (int j = 0; j < kPadCount; ++j)
        config.pads[std::size_t(j)].present = ids.find(padId(j)) != std::string_view::npos;
    return config;
}

BaseStation::BaseStation(Clock& clock, Line& line, StationConfig config, std::uint64_t seed)
    : clock_(clock),
      line_(line),
      air_(config.air),
      keepRecords_(config.keepRecords),
      rng_(seed),
      module_(
          clock, std::move(config.module),
          [this](LineUnit::Kind kind, qint64 firstUs, qint64 lastUs, const QByteArray& bytes) {
              note(LineUnit{LineUnit::From::Program, kind, firstUs, lastUs, bytes});
          },
          [this](const QByteArray& reply) { sendToProgram(reply, LineUnit::Kind::ModuleReply); })
{
    module_.setKeepRecords(keepRecords_);
    pads_.reserve(kPadCount);
    for (int j = 0; j < kPadCount; ++j)
        pads_.emplace_back(padId(j), config.pads[std::size_t(j)]);
}

namespace {

std::size_t existingPad(char id)
{
    const int index = padIndex(id);
    if (index < 0)
        throw std::out_of_range("no pad with that ID");
    return std::size_t(index);
}

} // namespace

Pad& BaseStation::pad(char id)
{
    return pads_[existingPad(id)];
}

const Pad& BaseStation::pad(char id) const
{
    return pads_[existingPad(id)];
}

void BaseStation::note(LineUnit unit)
{
    if (observer_)
        observer_(unit);
    if (keepRecords_)
        traffic_.push_back(std::move(unit));
}

std::vector<LineUnit> BaseStation::traffic(LineUnit::From from, LineUnit::Kind kind) const
{
    std::vector<LineUnit> out;
    std::copy_if(traffic_.begin(), traffic_.end(), std::back_inserter(out),
                 [&](const LineUnit& u) { return u.from == from && u.kind == kind; });
    return out;
}

void BaseStation::receive(char byte)
{
    const qint64 now = clock_.nowUs();
    if (inFrame_) {
        if (byte == kStx) {
            // A frame that starts again before it ended: the broken start is noise.
            note(LineUnit{LineUnit::From::Program, LineUnit::Kind::Noise, frameStartUs_, now, frame_});
            frame_ = QByteArray(1, kStx);
            frameStartUs_ = now;
            return;
        }
        frame_ += byte;
        if (byte == kEot) {
            frameComplete();
        } else if (frame_.size() > kMaxFrame) {
            note(LineUnit{LineUnit::From::Program, LineUnit::Kind::Noise, frameStartUs_, now, frame_});
            inFrame_ = false;
            frame_.clear();
        }
        return;
    }
    if (byte == kStx) {
        module_.endOfText();
        inFrame_ = true;
        frame_ = QByteArray(1, kStx);
        frameStartUs_ = now;
        return;
    }
    module_.receive(byte);
}

void BaseStation::disconnected()
{
    // What was cut off by the closing port never becomes a frame.
    if (inFrame_)
        note(LineUnit{LineUnit::From::Program, LineUnit::Kind::Noise, frameStartUs_, clock_.nowUs(), frame_});
    inFrame_ = false;
    frame_.clear();
}

void BaseStation::frameComplete()
{
    const QByteArray frame = frame_;
    const qint64 now = clock_.nowUs();
    inFrame_ = false;
    frame_.clear();
    note(LineUnit{LineUnit::From::Program, LineUnit::Kind::PadFrame, frameStartUs_, now, frame});
    relay(frame, now);
}

void BaseStation::relay(const QByteArray& frame, qint64 atUs)
{
    const ProgramFrame read = readProgramFrame(frame);
    for (Pad& pad : pads_) {
        if (!pad.present() || (read.address != kBroadcastAddress && read.address != pad.id()))
            continue;
        const bool lost = roll(lossDown(pad));
        const qint64 arrivesUs = atUs + latencyDown(pad);
        if (keepRecords_)
            pad.down_.push_back(AirFrame{atUs, arrivesUs, read.kind, frame, lost});
        if (!lost)
            clock_.schedule(arrivesUs, [this, &pad, frame] { padHears(pad, frame); });
    }
}

void BaseStation::padHears(Pad& pad, const QByteArray& frame)
{
    // A pad switched off while the frame was on its way hears nothing.
    if (!pad.present())
        return;
    const std::optional<Pad::Reply> reply = pad.hear(readProgramFrame(frame));
    if (!reply)
        return;
    qint64 delayUs = pad.config().replyDelayUs;
    if (pad.config().replyJitterUs > 0)
        delayUs += qint64(rng_() % quint64(pad.config().replyJitterUs + 1));
    clock_.schedule(clock_.nowUs() + delayUs, [this, &pad, r = *reply] {
        if (pad.present())
            padSends(pad, r);
    });
}

bool BaseStation::typeOnPad(char id, const QByteArray& text)
{
    const int index = padIndex(id);
    if (index < 0 || !pads_[std::size_t(index)].present())
        return false;
    Pad& pad = pads_[std::size_t(index)];
    padSends(pad, pad.typed(text));
    return true;
}

void BaseStation::padSends(Pad& pad, const Pad::Reply& reply)
{
    const qint64 now = clock_.nowUs();
    const bool lost = roll(lossUp(pad));
    const qint64 arrivesUs = now + latencyUp(pad);
    std::ptrdiff_t record = -1;
    if (keepRecords_) {
        record = std::ptrdiff_t(pad.up_.size());
        pad.up_.push_back(AirFrame{now, arrivesUs, reply.kind, reply.frame, lost});
    }
    if (!lost)
        clock_.schedule(arrivesUs, [this, &pad, record, frame = reply.frame] { arrivedFromPad(pad, record, frame); });
}

void BaseStation::arrivedFromPad(Pad& pad, std::ptrdiff_t record, const QByteArray& frame)
{
    const qint64 atProgramUs = sendToProgram(frame, LineUnit::Kind::PadFrame);
    if (record >= 0)
        pad.up_[std::size_t(record)].atProgramUs = atProgramUs;
}

qint64 BaseStation::sendToProgram(const QByteArray& bytes, LineUnit::Kind kind)
{
    if (!line_.connected())
        return -1;
    const qint64 now = clock_.nowUs();
    const qint64 startUs = std::max(now, lineFreeUs_);
    lineFreeUs_ = startUs + qint64(bytes.size()) * kByteUs;
    line_.send(bytes);
    note(LineUnit{LineUnit::From::Station, kind, now, lineFreeUs_, bytes});
    return lineFreeUs_;
}

bool BaseStation::roll(double probability)
{
    if (probability <= 0.0)
        return false;
    if (probability >= 1.0)
        return true;
    // 53 random bits as a fraction, the same on every standard library.
    return double(rng_() >> 11) * 0x1.0p-53 < probability;
}

} // namespace sim
