// Finding the pads and handling everything they send.
#include "Kivos.h"

#include "AnsiCodePage.h"
#include "LinkView.h"
#include "LocaleFacts.h"
#include "WindowTimer.h"
#include "Wire.h"

void TKivosForm::ScanPortForPads()
{
    view_.SetMonitoring(true);
    SelectPadFrames();
    s_.PadIds.clear();
    s_.PadVersions.clear();
    for (const char16_t id : std::u16string_view(wire::PadAlphabet))
        AddSendQueue(wire::labelledHelloFrame(QChar(id)));
    StartQueue(wire::ScanPace);
}

void TKivosForm::SilentScanAll()
{
    s_.PadIds.clear();
    s_.PadVersions.clear();
    for (const char16_t id : std::u16string_view(wire::PadAlphabet))
        SilentScan(QString(QChar(id)));
}

void TKivosForm::SilentScan(const QString& P)
{
    SelectPadFrames();
    s_.PadIds.remove(P);
    AddSendQueue(wire::plainHelloFrame(P.isEmpty() ? QChar() : P.at(0)));
    StartQueue(wire::ScanPace);
}

void TKivosForm::FramedDataPacketStringPacket(const QByteArray& Data)
{
    QString s = ansi::toUnicode(Data);
    if (s.size() > 3)
        s.chop(FramedDataPacket.endString().size());
    const qsizetype stx = s.lastIndexOf(QChar(wire::STX));
    if (stx >= 0)
        s.remove(0, stx + 1);
    if (s.isEmpty())
        return;
    const QChar id = s.at(0);
    s.remove(0, 1);
    const int j = wire::JNumber(id);
    // Noise and pads of other systems have no lamp, label or counters; a packet that carries
    // nothing after its ID (or only the EOT of a 3-character packet) has nothing to act on.
    if (j < 0 || s.isEmpty() || s == QChar(wire::EOT))
        return;
    const QString Id(id);

    if (s.at(0) == QChar(wire::ACK)) {
        s.remove(0, 1);
        if (s_.EchoTestActive) {
            DoEchoReply(Id, s);
            return;
        }
        if (s.size() < 6) {
            Log(Port() + QStringLiteral(" <-- J") + QString::number(j) + QStringLiteral(" here (v ") + s
                + QStringLiteral(")"));
            RegisterPad(Id, s);
        } else if (view_.PadsFound()) {
            view_.ShowEcho(s.left(16) + QStringLiteral("<CR>") + s.mid(16));
        }
        return;
    }

    // An award, or a judge ID after a judge-ID request.
    if (!s_.JudgeIdMode && s.size() < 2 && !s.contains(locale_.decimalSeparator()))
        return; // too short to carry a separator: acknowledging it would show a wrong award
    AddSendQueue(wire::acknowledgementFrame(id, s, s_.JudgeIdMode));
    COMTimer->setEnabled(true);
    s_.CurrentPad = j;
    const QString separator = locale_.decimalSeparator();
    if (!s_.JudgeIdMode && !s.contains(separator))
        s.replace(s.size() - 2, 1, separator);
    s_.Awards[std::size_t(j)] = s;
    view_.DoAward(s);
}

void TKivosForm::RegisterPad(const QString& Id, const QString& Version)
{
    if (s_.PadIds.contains(Id))
        return;
    s_.PadIds.add(Id);
    s_.PadVersions.add(Version.isEmpty() ? QStringLiteral("0") : Version);
    const int j = Id.isEmpty() ? -1 : wire::JNumber(Id.at(0));
    if (j >= 0)
        view_.SetPadAnswered(j);
}
