#include "PadFrame.h"

#include <Wire.h>

namespace sim {
namespace {

// Dive frames carry a four-character address and two spaces before the dive text; the
// broadcast dive frame has "FJ", SUB and three spaces: either way the text starts 5 bytes after
// the address byte.
constexpr qsizetype kDiveTextOffset = 5;

FrameKind kindFromCodes(const QByteArray& text, const QByteArray& codes, bool broadcast)
{
    if (codes.contains('3'))
        return text.isEmpty() ? FrameKind::PlainHello : FrameKind::LabelledHello;
    if (codes.contains('4'))
        return text.isEmpty() ? FrameKind::BareEcho : FrameKind::Echo;
    if (codes == "02")
        return FrameKind::JudgeIdRequest;
    if (codes == "1")
        return FrameKind::Lock;
    if (codes == "0") {
        if (text.isEmpty())
            return FrameKind::Unlock;
        return broadcast ? FrameKind::BroadcastDive : FrameKind::Dive;
    }
    return FrameKind::Unknown;
}

} // namespace

const char* kindName(FrameKind kind)
{
    switch (kind) {
    case FrameKind::LabelledHello: return "labelled-hello";
    case FrameKind::PlainHello: return "plain-hello";
    case FrameKind::Lock: return "lock";
    case FrameKind::Unlock: return "unlock";
    case FrameKind::JudgeIdRequest: return "judge-id-request";
    case FrameKind::Dive: return "dive";
    case FrameKind::BroadcastDive: return "broadcast-dive";
    case FrameKind::Echo: return "echo";
    case FrameKind::BareEcho: return "bare-echo";
    case FrameKind::Acknowledgement: return "acknowledgement";
    case FrameKind::HelloReply: return "hello-reply";
    case FrameKind::EchoReply: return "echo-reply";
    case FrameKind::PadMessage: return "pad-message";
    case FrameKind::Unknown: return "unknown";
    }
    return "unknown";
}

ProgramFrame readProgramFrame(const QByteArray& frame)
{
    ProgramFrame out;
    if (frame.size() < 3 || frame.front() != kStx || frame.back() != kEot)
        return out;
    const QByteArray body = frame.mid(1, frame.size() - 2);
    out.address = body.front();
    QByteArray rest = body.mid(1);
    const bool acknowledged = rest.startsWith(kAck);
    if (acknowledged)
        rest.remove(0, 1);
    const qsizetype esc = rest.lastIndexOf(kEsc);
    if (esc < 0) {
        out.text = rest;
        return out;
    }
    out.text = rest.left(esc);
    out.codes = rest.mid(esc + 1);
    if (acknowledged) {
        out.kind = FrameKind::Acknowledgement;
        return out;
    }
    out.kind = kindFromCodes(out.text, out.codes, out.address == kBroadcastAddress);
    switch (out.kind) {
    case FrameKind::Dive:
    case FrameKind::BroadcastDive:
        out.shown = out.text.mid(kDiveTextOffset);
        break;
    case FrameKind::JudgeIdRequest:
        out.shown = out.text;
        break;
    case FrameKind::Echo: {
        // "J3  12": the loop number follows the last space.
        const qsizetype space = out.text.lastIndexOf(' ');
        out.shown = space < 0 ? QByteArray() : out.text.mid(space + 1);
        break;
    }
    default:
        break;
    }
    return out;
}

int padIndex(char id)
{
    static const QByteArray alphabet = QString::fromUtf16(wire::PadAlphabet).toLatin1();
    return int(alphabet.indexOf(id));
}

char padId(int index)
{
    return char(wire::PadAlphabet[index]);
}

QByteArray padFrame(char id, const QByteArray& body)
{
    return kStx + (id + body) + kEot;
}

QByteArray printable(const QByteArray& bytes)
{
    QByteArray out;
    for (const char c : bytes) {
        switch (c) {
        case kStx: out += "<STX>"; break;
        case kEot: out += "<EOT>"; break;
        case kAck: out += "<ACK>"; break;
        case kSub: out += "<SUB>"; break;
        case kEsc: out += "<ESC>"; break;
        default:
            if (c >= 0x20 && c < 0x7f)
                out += c;
            else
                out += '<' + QByteArray::number(quint8(c), 16).rightJustified(2, '0') + '>';
        }
    }
    return out;
}

} // namespace sim
