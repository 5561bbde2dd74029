#pragma once
#include "SimClock.h"

#include <QByteArray>
#include <functional>
#include <vector>

namespace sim {

// The version texts of the two modules met in the field. The program reads the version reply
// of an ERA module as 26 characters and that of the other module as 27, so their texts have 17
// and 18 characters after the 9 that echo the query.
inline constexpr auto kEraVersion = "ERA400TRS-V1.02.3";
inline constexpr auto kClassicVersion = "ER400TRS-02V2.01.7";

struct ModuleConfig {
    QByteArray version = kEraVersion;
    // The classic module ignores ER_CMD#R1 altogether: no reply, channel unchanged.
    bool supportsReset = true;
    // Some modules answer the channel query with the zero reply instead of their channel.
    bool zeroReplyToChannelQuery = false;
    int channel = 7;          // 0..9
    char bandwidthCode = '6'; // 0, 1, 2, 3 or 6
    bool dcs = false;
    qint64 latencyUs = 3000;  // from a complete command to the first byte of the reply
    // A command that waits for its "ACK" trailer is answered anyway after this much quiet.
    qint64 trailerWaitUs = 50000;

    static ModuleConfig era() { return {}; }
    static ModuleConfig classic();
};

// One unit of traffic on the line, in either direction, for traces and ground truth.
struct LineUnit {
    enum class From { Program, Station };
    enum class Kind { Command, Trailer, PadFrame, Noise, ModuleReply };
    From from;
    Kind kind;
    qint64 firstUs; // program: first byte arrived; station: bytes handed to the line
    qint64 lastUs;  // program: last byte arrived; station: last byte reaches the program
    QByteArray bytes;
};

const char* unitKindName(LineUnit::Kind kind);

// A module command as the module understood it.
struct ModuleCommandRecord {
    qint64 firstUs;
    qint64 lastUs;     // last byte of the command text (not of the trailer)
    QByteArray text;   // "ER_CMD#C5", without the trailer
    bool trailer;      // completed by "ACK" rather than by a pause
    QByteArray reply;  // empty: not answered
};

// The radio module inside the base station: reads ER_CMD# commands one byte at a time, keeps
// its channel, bandwidth and DCS setting, and answers with fixed-length replies that carry no
// framing. Pad frames never reach it; the base station keeps them apart.
class RadioModule {
public:
    using UnitSink = std::function<void(LineUnit::Kind, qint64 firstUs, qint64 lastUs, const QByteArray&)>;
    using Reply = std::function<void(const QByteArray&)>;

    RadioModule(Clock& clock, ModuleConfig config, UnitSink heard, Reply reply);

    void receive(char byte);
    // Something else (a pad frame) starts on the line: a command still waiting for its trailer
    // is complete now, and anything else pending is noise.
    void endOfText();

    int channel() const { return config_.channel; }
    char bandwidthCode() const { return config_.bandwidthCode; }
    bool dcs() const { return config_.dcs; }
    ModuleConfig& config() { return config_; }
    const ModuleConfig& config() const { return config_; }
    const std::vector<ModuleCommandRecord>& commands() const { return commands_; }
    void setKeepRecords(bool keep) { keepRecords_ = keep; }

private:
    void scan();
    void dropNoise();
    void complete(qsizetype length, bool trailer);
    void emitNoise(qsizetype length);
    void take(qsizetype length);
    QByteArray answer(const QByteArray& command);
    void armQuietCheck();
    void onQuiet();

    Clock& clock_;
    ModuleConfig config_;
    UnitSink heard_;
    Reply reply_;
    QByteArray text_;
    std::vector<qint64> times_;
    qint64 lastByteUs_ = 0;
    bool quietCheckArmed_ = false;
    // A query was just answered: "ACK" now is its (unneeded) trailer, not noise.
    bool trailerMayFollow_ = false;
    bool keepRecords_ = true;
    std::vector<ModuleCommandRecord> commands_;
};

} // namespace sim
