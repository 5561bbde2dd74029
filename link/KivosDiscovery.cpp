// Finding the base station: the full scan, the port walk and the module reply interpreter.
#include "Kivos.h"

#include "AnsiCodePage.h"
#include "EventLoop.h"
#include "LinkView.h"
#include "PortCatalog.h"
#include "WindowTimer.h"
#include "Wire.h"

void TKivosForm::FullScan()
{
    view_.SetBusyCursor(true);
    s_.VersionReplySize = 26;
    Log(Message("IDS_104"));
    s_.JudgeIdMode = false;
    if (ComPort.IsOpen()) {
        ComPort.Close();
        loop_.Sleep(50);
    }
    s_.BaseVersionText.clear();
    s_.ChannelText = QStringLiteral("?");
    s_.PortText.clear();
    s_.PadIds.clear();
    s_.PadVersions.clear();
    s_.BandwidthChecked = false;
    s_.ChannelKnown = false;
    s_.BasePort = 0;
    s_.PortList.clear();
    for (int n = 1; n <= 50; ++n)
        if (ports_.isAvailable(n))
            s_.PortList.append(QString::number(n));
    if (!s_.PortList.isEmpty()) {
        ScanPortsForBaseStation();
        return;
    }
    Log(Message("IDS_105"));
    DoRefresh();
    view_.SetBusyCursor(false);
}

void TKivosForm::ScanPortsForBaseStation()
{
    FixedDataPacket.setPacketSize(s_.VersionReplySize);
    QString list;
    for (const QString& port : s_.PortList)
        list += QStringLiteral(", ") + port;
    if (list.startsWith(u','))
        list.remove(0, 2);
    Log(Message("IDS_106") + list);
    FramedDataPacket.AutoEnable = false;
    FramedDataPacket.setEnabled(false);
    ScanNextPortForBaseStation(0);
}

void TKivosForm::ScanNextPortForBaseStation(int P)
{
    if (s_.BasePort != 0) {
        ComPort.setComNumber(s_.BasePort);
        ComPort.Open();
        s_.PortText = QString::number(s_.BasePort);
        view_.SetMonitoring(true);
        ScanPortForPads();
        return;
    }
    if (P > s_.PortList.size() - 1) {
        EndPortWalkWithoutBaseStation();
        return;
    }
    if (ComPort.IsOpen()) {
        view_.SetMonitoring(false);
        ComPort.Close();
        loop_.Sleep(50);
    }
    ComPort.setComNumber(s_.PortList.at(P).toInt());
    view_.SetMonitoring(true);
    try {
        ComPort.Open();
        loop_.Sleep(50);
        CheckBaseStation();
    } catch (const std::exception&) {
        // A port that cannot be opened is skipped without a word.
        view_.SetMonitoring(false);
        ScanNextPortForBaseStation(P + 1);
    }
}

void TKivosForm::EndPortWalkWithoutBaseStation()
{
    FixedDataPacket.setEnabled(false);
    DoRefresh();
    view_.SetBusyCursor(false);
    FramedDataPacket.AutoEnable = true;
    FramedDataPacket.setEnabled(true);
}

void TKivosForm::CheckBaseStation()
{
    s_.BandwidthChecked = false;
    CheckBaseVersion();
}

void TKivosForm::CheckBaseVersion()
{
    Log(Port() + QStringLiteral(" --> ") + QString::fromUtf16(wire::kVersionQuery));
    SelectModuleReplies(s_.VersionReplySize);
    SendModuleCommand(QString::fromUtf16(wire::kVersionQuery));
    Log(Port() + QStringLiteral(" --> ACK"));
    s_.BaseVersionText = Message("IDS_100");
    BaseTimer->setEnabled(true);
}

void TKivosForm::BaseTimerTimer()
{
    if (s_.BandwidthChecked || s_.BasePort == 0) {
        BaseTimer->setEnabled(false);
        // Not found gives -1, so the walk starts again at index 0.
        ScanNextPortForBaseStation(int(s_.PortList.indexOf(Port())) + 1);
    } else if (s_.ChannelKnown) {
        CheckBaseBandwidth();
    } else {
        CheckBaseChannel();
    }
}

void TKivosForm::CheckBaseChannel()
{
    StopPadFrames();
    Log(Port() + QStringLiteral(" --> What channel?"));
    FixedDataPacket.setPacketSize(9);
    FixedDataPacket.setEnabled(true);
    ComPort.Write(wire::channelQuery());
    s_.BandwidthChecked = false;
}

void TKivosForm::CheckBaseBandwidth()
{
    StopPadFrames();
    s_.BandwidthIndex = 4;
    Log(Port() + QStringLiteral(" --> What bandwidth?"));
    FixedDataPacket.setPacketSize(9);
    FixedDataPacket.setEnabled(true);
    ComPort.Write(QString::fromUtf16(wire::kBandwidthQuery));
    s_.BandwidthChecked = true;
}

void TKivosForm::FixedDataPacketStringPacket(const QByteArray& Data)
{
    const QString s = ansi::toUnicode(Data);
    const qsizetype L = s.size();
    if (L == 9) {
        const QChar kind = s.at(7);
        const QChar value = s.at(8);
        if (kind == u'0') {
            s_.ChannelKnown = true;
        } else if (kind == u'B') {
            // Only the five bandwidths the window can show are taken; anything else is noise.
            if (value == u'6' || value == u'?')
                s_.BandwidthIndex = 4;
            else if (value >= u'0' && value <= u'4')
                s_.BandwidthIndex = value.unicode() - u'0';
            else {
                ComPort.FlushInBuffer();
                return;
            }
            Log(Port() + QStringLiteral(" <-- Bandwidth=") + QString::number(s_.BandwidthIndex));
            view_.Refresh();
        } else if (kind == u'C') {
            if (value >= u'0' && value <= u'9') {
                s_.ChannelText = QString(value);
                Log(Port() + QStringLiteral(" <-- Channel=") + s_.ChannelText);
                s_.ChannelKnown = true;
            }
        } else if (kind == u'R') {
            s_.ChannelText = QStringLiteral("7");
            Log(Port() + QStringLiteral(" <-- Channel reset to 7"));
        }
    } else if (L == 10) {
        if (s.at(7) == u'A') {
            Log(Port() + (s.at(9) == u'0' ? QStringLiteral(" <-- DCS IS OFF") : QStringLiteral(" <-- DCS IS ON")));
            view_.Refresh();
        }
    } else {
        const QString rest = s.mid(9);
        const qsizetype pos = rest.indexOf(QStringLiteral("400TRS"));
        if (pos >= 0) {
            s_.BaseVersionText = rest;
            s_.BasePort = ComPort.ComNumber();
            if (s_.BaseVersionText == QStringLiteral("ER400TRS-02V2.01.7"))
                s_.BaseSupportsReset = false;
            s_.BaseHasDCS = s_.BaseVersionText.contains(u'V');
            s_.BaseIsEra = s_.BaseVersionText.contains(QStringLiteral("ERA"));
            if (s_.FirmwareQueryPending) {
                s_.FirmwareQueryPending = false;
                view_.Refresh();
            }
            Log(Port() + QStringLiteral(" <-- Base station version ") + s_.BaseVersionText.mid(pos + 7));
        }
    }
    ComPort.FlushInBuffer();
}
