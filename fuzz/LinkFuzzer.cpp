// Bytes from the serial line, as radio noise or a confused base station may send them, through
// the collectors into the module reply interpreter, the pad packet handler and the echo test.
//
// Input: five bytes of set-up, then chunks.
//   [0] bit 0 fixed collector enabled, bit 1 framed collector enabled, bit 2 echo test running,
//       bit 3 judge-ID mode, bit 4 decimal comma, bit 5 a firmware query pending
//   [1] fixed packet length, 1 + byte % 40
//   [2] [3] registered pads, bit j = J-number j (12 bits, little-endian)
//   [4] echo test: loops 1 + (byte & 3), test delay 130 + 10 * ((byte >> 2) % 18) ms
//   chunk: a header h, then h & 31 bytes sent by the base station, after which virtual time
//   runs on for kGapsMs[h >> 5]; a length of 31 instead re-selects the collectors from the
//   next byte (bits as in [0]) and the one after it (packet length), as a command would.
#include "FuzzCheck.h"
#include "LinkBench.h"
#include "Wire.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr qint64 kGapsMs[8] = {0, 1, 5, 20, 60, 150, 400, 1100};

struct ErrorCounter : WindowModel::Observer {
    void error(const QString& text) override
    {
        std::fprintf(stderr, "error handler: %s\n", qPrintable(text));
        ++errors;
    }
    int errors = 0;
};

void selectCollectors(TKivosForm& form, quint8 flags, quint8 length)
{
    form.FixedDataPacket.setEnabled(false);
    form.FramedDataPacket.AutoEnable = false;
    form.FramedDataPacket.setEnabled(false);
    form.FixedDataPacket.setPacketSize(1 + length % 40);
    if (flags & 1)
        form.FixedDataPacket.setEnabled(true);
    if (flags & 2) {
        form.FramedDataPacket.AutoEnable = true;
        form.FramedDataPacket.setEnabled(true);
    }
}

void checkInvariants(const LinkBench& b, const ErrorCounter& errors)
{
    const LinkState& s = b.state;
    // Nothing on this path may throw: the port stays open and every length is positive.
    require(errors.errors == 0, "an exception reached the general error handler");
    for (const QString& id : s.PadIds)
        require(id.size() == 1 && wire::JNumber(id.at(0)) >= 0, "PadIds holds a character outside the alphabet");
    for (const QString& frame : s.SendQueue)
        require(!frame.isEmpty() && frame.at(0) == QChar(wire::STX), "queued frame does not start with STX");
    for (const EchoCounters& c : s.EchoStats) {
        require(c.Replies >= 0 && c.Resends >= 0 && c.MissedReads >= 0 && c.MissedSends >= 0,
                "negative echo counter");
        require(c.MissedReads + c.MissedSends <= c.Replies, "more missed reads and sends than replies");
    }
    require(s.CurrentPad >= -1 && s.CurrentPad <= 11, "CurrentPad outside -1..11");
    require(s.EchoPadCursor >= 0 && s.EchoPadCursor <= s.PadIds.count(), "echo cursor beyond the pads");
    require(b.window.progressPosition <= b.window.progressMax || !s.EchoTestActive, "progress beyond its maximum");
    require(s.BandwidthIndex >= 0 && s.BandwidthIndex <= 4, "bandwidth index outside the window's choices");
    require(b.form.ComPort.IsOpen(), "the port closed itself");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const quint8* data, std::size_t size)
{
    if (size < 5)
        return 0;
    const quint8 flags = data[0];
    LinkBench b((flags & 16) ? QStringLiteral(",") : QStringLiteral("."));
    ErrorCounter errors;
    b.window.setObserver(&errors);
    ScriptedPeer peer;
    b.plug(1, peer);
    b.openOn(1);

    const unsigned pads = unsigned(data[2]) | (unsigned(data[3]) << 8);
    for (int j = 0; j < 12; ++j)
        if (pads & (1u << j))
            b.form.RegisterPad(QString(wire::PadId(j)), QStringLiteral("912"));
    b.window.Refresh();
    b.state.JudgeIdMode = (flags & 8) != 0;
    b.state.FirmwareQueryPending = (flags & 32) != 0;
    if (flags & 4) {
        b.window.TestDelaySpinEdit = 130 + 10 * ((data[4] >> 2) % 18);
        b.form.TestEcho(1 + (data[4] & 3));
    }
    selectCollectors(b.form, flags, data[1]);
    checkInvariants(b, errors);

    std::size_t at = 5;
    qint64 sentBytes = 0;
    while (at < size) {
        const quint8 header = data[at++];
        const std::size_t length = header & 31;
        if (length == 31) {
            if (size - at < 2)
                break;
            selectCollectors(b.form, data[at], data[at + 1]);
            at += 2;
        } else {
            const std::size_t n = std::min(length, size - at);
            peer.send(QByteArray(reinterpret_cast<const char*>(data + at), qsizetype(n)));
            at += n;
            sentBytes += qint64(n);
        }
        b.run(kGapsMs[header >> 5]);
        checkInvariants(b, errors);
    }

    // Everything still on the line lands (at worst all of it was sent last), then the echo test
    // and the queue must come to an end.
    b.run(sentBytes * VirtualSerialDevice::kByteUs / 1000 + 50);
    const qint64 echoLimitMs = 4 * 12 * 2 * 300 + 1000;
    require(b.loop.RunUntil([&] { return !b.state.EchoTestActive; }, echoLimitMs), "the echo test never ends");
    const qint64 queueLimitMs = 200 * (b.state.SendQueue.size() + 2);
    require(b.loop.RunUntil([&] { return b.state.SendQueue.isEmpty(); }, queueLimitMs), "the queue never drains");
    checkInvariants(b, errors);
    return 0;
}
