// Changing the base station's radio: channel, bandwidth, DCS and reset, each followed by a scan.
#include "Kivos.h"

#include "EventLoop.h"
#include "LinkView.h"
#include "WindowTimer.h"
#include "Wire.h"

void TKivosForm::SetChannel(int Channel)
{
    if (ComPort.ComNumber() == 0) {
        view_.ShowInformation(Message("IDS_103"));
        return;
    }
    SelectModuleReplies(9);
    s_.JudgeIdMode = false;
    SendModuleCommand(wire::channelCommand(Channel));
    SetChanTimer->setEnabled(true);
}

void TKivosForm::SetBandwidth(int B)
{
    if (s_.BasePort <= 0 || B < 0 || B > 4)
        return;
    SelectModuleReplies(9);
    s_.BandwidthIndex = 4;
    Log(Port() + QStringLiteral(" --> Set Bandwidth=") + QString::number(B));
    SendModuleCommand(wire::bandwidthCommand(B));
    Log(Port() + QStringLiteral(" --> ACK"));
    SetChanTimer->setEnabled(true);
}

void TKivosForm::DCS(bool Active)
{
    if (s_.BasePort <= 0)
        return;
    Log(Port() + (Active ? QStringLiteral(" --> Set DCS ON") : QStringLiteral(" --> Set DCS OFF")));
    SelectModuleReplies(10);
    SendModuleCommand(wire::dcsCommand(Active));
    Log(Port() + QStringLiteral(" --> ACK"));
    SetChanTimer->setEnabled(true);
}

void TKivosForm::BaseStationReset()
{
    if (s_.BasePort <= 0) {
        // One walk over the ports at a time: a port walk still looking for the base station is
        // given up and its scan ends as one that found nothing, so the window is usable again.
        if (BaseTimer->enabled()) {
            BaseTimer->setEnabled(false);
            EndPortWalkWithoutBaseStation();
        }
        SendReset(0);
        return;
    }
    SendModuleCommand(wire::resetCommand(s_.BaseSupportsReset));
    SetChanTimer->setInterval(500);
    SetChanTimer->setEnabled(true);
}

void TKivosForm::SendReset(int P)
{
    s_.JudgeIdMode = false;
    const int i = P == 0 ? int(s_.PortList.size()) - 1 : int(s_.PortList.indexOf(QString::number(P))) - 1;
    if (i < 0)
        return;
    if (ComPort.IsOpen()) {
        ComPort.Close();
        loop_.Sleep(50);
    }
    ComPort.setComNumber(s_.PortList.at(i).toInt());
    try {
        ComPort.Open();
        loop_.Sleep(50);
        SendModuleCommand(wire::resetCommand(s_.BaseSupportsReset));
        ReSetTimer->setEnabled(true);
    } catch (const std::exception&) {
        SendReset(ComPort.ComNumber());
    }
}

void TKivosForm::ReSetTimerTimer()
{
    s_.JudgeIdMode = false;
    ReSetTimer->setEnabled(false);
    SendReset(ComPort.ComNumber());
}

void TKivosForm::SetChanTimerTimer()
{
    s_.JudgeIdMode = false;
    SetChanTimer->setEnabled(false);
    SetChanTimer->setInterval(100);
    FullScan();
}
