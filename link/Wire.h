#pragma once
#include <QString>
#include <array>

// The wire vocabulary: control characters, module commands, pad alphabet and codes, pacing,
// and one builder for every frame the program sends. Nothing else concatenates frame bytes.
namespace wire {

inline constexpr char16_t STX = 0x02;
inline constexpr char16_t EOT = 0x04;
inline constexpr char16_t ACK = 0x06;
inline constexpr char16_t SUB = 0x1A;
inline constexpr char16_t ESC = 0x1B;

// STX, EOT, ACK, SUB, ESC in this order.
const std::array<QString, 5>& ControlChars();
const std::array<QString, 10>& ModuleCommands();

inline constexpr auto kDcsPrefix = u"ER_CMD#A0";
inline constexpr auto kResetCommand = u"ER_CMD#R1";
inline constexpr auto kChannelPrefix = u"ER_CMD#C";
inline constexpr auto kVersionQuery = u"ER_CMD#T3";
inline constexpr auto kBandwidthQuery = u"ER_CMD#B?";
inline constexpr auto kAckTrailer = u"ACK";
inline constexpr auto kJudgeIdPrompt = u"Please enter    your Judge ID:";

// The twelve pad ID characters; b is not used.
inline constexpr auto PadAlphabet = u"0123456789ac";
inline constexpr std::array<char16_t, 4> PadCodes = {u'0', u'1', u'3', u'4'};

inline constexpr int CommandPace = 100;
inline constexpr int ScanPace = 120;

// 0..11 for a pad ID character, -1 for anything outside the alphabet.
int JNumber(QChar id);
// The ID character of J-number j (0..11).
QChar PadId(int j);

// Module commands (without their ACK trailer, which SendModuleCommand adds).
QString channelQuery();
QString channelCommand(int channel);
QString bandwidthCommand(int index); // index 0..4
QString dcsCommand(bool on);
QString resetCommand(bool supportsReset); // the channel-7 command when reset is not supported

// Pad frames.
QString labelledHelloFrame(QChar id);
QString plainHelloFrame(QChar id);
QString lockFrame(QChar id, bool lock);
QString judgeIdRequestFrame(QChar id);
QString diveFrame(QChar id, const QString& dive);
QString broadcastDiveFrame(const QString& dive);
QString echoFrame(QChar id, int loop);
QString bareEchoFrame(QChar id);
QString acknowledgementFrame(QChar id, const QString& text, bool judgeIdMode);

} // namespace wire
