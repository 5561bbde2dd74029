#pragma once
#include <QByteArray>

// Reading the pad frames that cross the air. The base station and the pads see only bytes, so
// everything here works on bytes, STX to EOT inclusive.
namespace sim {

inline constexpr char kStx = 0x02;
inline constexpr char kEot = 0x04;
inline constexpr char kAck = 0x06;
inline constexpr char kSub = 0x1A;
inline constexpr char kEsc = 0x1B;
// The second character of a frame meant for every pad.
inline constexpr char kBroadcastAddress = 'F';

enum class FrameKind {
    // program to pads
    LabelledHello,
    PlainHello,
    Lock,
    Unlock,
    JudgeIdRequest,
    Dive,
    BroadcastDive,
    Echo,
    BareEcho,
    Acknowledgement,
    // pads to program
    HelloReply,
    EchoReply,
    PadMessage,
    // anything a pad does not understand
    Unknown,
};

const char* kindName(FrameKind kind);

// A frame from the program, taken apart the way a pad reads it.
struct ProgramFrame {
    char address = 0;  // pad ID, kBroadcastAddress, or 0 when the frame is empty
    FrameKind kind = FrameKind::Unknown;
    QByteArray text;   // between the address and the last ESC (after ACK for acknowledgements)
    QByteArray codes;  // after the last ESC
    QByteArray shown;  // the dive text, the judge-ID prompt, or the echo's loop number
};

// frame runs from STX to EOT inclusive.
ProgramFrame readProgramFrame(const QByteArray& frame);

// Pad IDs "0".."9", "a", "c" as J-numbers 0..11; -1 for any other byte.
int padIndex(char id);
char padId(int index);
inline constexpr int kPadCount = 12;

QByteArray padFrame(char id, const QByteArray& body);

// Control characters as <STX>, <EOT>, ... and other unprintable bytes as <xx>, for traces and
// test messages.
QByteArray printable(const QByteArray& bytes);

} // namespace sim
