#pragma once
#include "RadioModule.h"
#include "SimClock.h"
#include "SimPad.h"

#include <array>
#include <memory>
#include <random>
#include <string_view>
#include <vector>

namespace sim {

// The air between the base station and the pads, for every pad that does not override it.
// Down is base station to pad, up is pad to base station.
struct AirConfig {
    double lossDown = 0.0;
    double lossUp = 0.0;
    qint64 latencyDownUs = 3000;
    qint64 latencyUpUs = 3000;
};

struct StationConfig {
    ModuleConfig module;
    AirConfig air;
    std::array<PadConfig, kPadCount> pads; // indexed by J-number; all present by default
    // Long real-time runs switch the records off; the state of module and pads is kept anyway.
    bool keepRecords = true;

    // Only the pads whose ID characters are listed are present.
    static StationConfig withPads(std::string_view ids);
};

// The base station on its serial line: bytes from the program are module commands or pad
// frames (STX to EOT). Commands go to the radio module; each complete pad frame goes over the
// air to the pad it addresses, or to all of them, and what the pads send comes back the same
// way. Loss and reply jitter come from one seeded generator, so a run repeats exactly.
class BaseStation : public Endpoint {
public:
    using Observer = std::function<void(const LineUnit&)>;

    BaseStation(Clock& clock, Line& line, StationConfig config, std::uint64_t seed);

    void receive(char byte) override;
    void disconnected() override;

    RadioModule& module() { return module_; }
    const RadioModule& module() const { return module_; }
    // by ID character ('0'..'9', 'a', 'c'); throws std::out_of_range for any other
    Pad& pad(char id);
    const Pad& pad(char id) const;
    Pad& padAt(int index) { return pads_.at(std::size_t(index)); }
    AirConfig& air() { return air_; }

    // The judge types text on the pad and presses send: STX, id, text, EOT goes up. False when
    // there is no such pad or it is absent.
    bool typeOnPad(char id, const QByteArray& text);

    // Everything that crossed the serial line, in order.
    const std::vector<LineUnit>& traffic() const { return traffic_; }
    std::vector<LineUnit> traffic(LineUnit::From from, LineUnit::Kind kind) const;
    // Also told of every unit as it happens (for traces).
    void setObserver(Observer observer) { observer_ = std::move(observer); }

private:
    void note(LineUnit unit);
    void frameComplete();
    void relay(const QByteArray& frame, qint64 atUs);
    void padHears(Pad& pad, const QByteArray& frame);
    void padSends(Pad& pad, const Pad::Reply& reply);
    void arrivedFromPad(Pad& pad, std::ptrdiff_t record, const QByteArray& frame);
    // Towards the program; the time its last byte reaches the program, or -1 when dropped.
    qint64 sendToProgram(const QByteArray& bytes, LineUnit::Kind kind);
    bool roll(double probability);
    double lossDown(const Pad& pad) const { return pad.config().lossDown.value_or(air_.lossDown); }
    double lossUp(const Pad& pad) const { return pad.config().lossUp.value_or(air_.lossUp); }
    qint64 latencyDown(const Pad& pad) const { return pad.config().latencyDownUs.value_or(air_.latencyDownUs); }
    qint64 latencyUp(const Pad& pad) const { return pad.config().latencyUpUs.value_or(air_.latencyUpUs); }

    Clock& clock_;
    Line& line_;
    AirConfig air_;
    bool keepRecords_;
    std::mt19937_64 rng_;
    RadioModule module_;
    std::vector<Pad> pads_;
    bool inFrame_ = false;
    QByteArray frame_;
    qint64 frameStartUs_ = 0;
    // When the line towards the program is free again, mirroring its pacing.
    qint64 lineFreeUs_ = 0;
    std::vector<LineUnit> traffic_;
    Observer observer_;
};

} // namespace sim
