#pragma once
#include "PadFrame.h"

#include <QByteArray>
#include <QtGlobal>
#include <optional>
#include <vector>

namespace sim {

struct PadConfig {
    bool present = true;
    QByteArray version = "912"; // 0 to 5 characters
    // From hearing a frame to sending the reply: fixed part plus a random part up to the bound.
    qint64 replyDelayUs = 4000;
    qint64 replyJitterUs = 0;
    // Override the station's air settings for this pad.
    std::optional<double> lossDown;
    std::optional<double> lossUp;
    std::optional<qint64> latencyDownUs;
    std::optional<qint64> latencyUpUs;
};

// One frame on the air between the base station and a pad.
struct AirFrame {
    qint64 sentUs;     // left the base station (down) or the pad (up)
    qint64 arrivesUs;  // reached the other end, or would have when lost
    FrameKind kind;
    QByteArray bytes;  // STX to EOT
    bool lost;
    // Up frames: when its last byte reached the program's port; -1 when it was lost on the air,
    // the port was closed, or it is still on its way.
    qint64 atProgramUs = -1;
};

// A judge pad: what it shows and what it answers, plus the record of everything it heard and
// said, which tests compare the program's counters against.
class Pad {
public:
    Pad(char id, PadConfig config) : id_(id), config_(std::move(config)) {}

    char id() const { return id_; }
    int index() const { return padIndex(id_); }
    PadConfig& config() { return config_; }
    const PadConfig& config() const { return config_; }
    bool present() const { return config_.present; }

    bool locked() const { return locked_; }
    const QByteArray& diveText() const { return diveText_; }
    const QByteArray& judgePrompt() const { return judgePrompt_; }
    // The text after "OK" of every acknowledgement frame heard, in order.
    const std::vector<QByteArray>& acknowledgements() const { return acknowledgements_; }
    // The loop number of the last echo frame heard ("0" before the first).
    const QByteArray& lastLoop() const { return lastLoop_; }

    // Every frame the base station sent to this pad (broadcasts included), lost or heard.
    const std::vector<AirFrame>& down() const { return down_; }
    // Every frame this pad sent: replies and typed messages.
    const std::vector<AirFrame>& up() const { return up_; }
    std::vector<AirFrame> heard() const;
    int lostDown() const;
    int lostUp() const;
    // Up frames of one kind that reached the program's port.
    int delivered(FrameKind kind) const;

    struct Reply {
        FrameKind kind;
        QByteArray frame;
    };
    // The pad reads a frame that reached it and changes its state; the reply it sends, if any.
    std::optional<Reply> hear(const ProgramFrame& frame);
    Reply typed(const QByteArray& text) const;

private:
    friend class BaseStation;

    char id_;
    PadConfig config_;
    bool locked_ = false;
    QByteArray diveText_;
    QByteArray judgePrompt_;
    std::vector<QByteArray> acknowledgements_;
    QByteArray lastLoop_ = "0";
    std::vector<AirFrame> down_;
    std::vector<AirFrame> up_;
};

} // namespace sim
