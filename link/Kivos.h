#pragma once
#include "ComPort.h"
#include "DataPacket.h"
#include "LinkState.h"

#include <QString>
#include <memory>

class EventLoop;
class LinkView;
class LocaleFacts;
class MessageSource;
class PortCatalog;
class SerialDevice;
class WindowTimer;

// What the link controller needs of the machine.
struct LinkPlatform {
    EventLoop& loop;
    SerialDevice& device;
    const PortCatalog& ports;
    const LocaleFacts& locale;
    const MessageSource& messages;
};

// The radio link controller: owns the serial port, the two packet collectors and five timers,
// and every exchange with the base station's module and the pads. Never waits for the radio:
// operations send and return, answers arrive as packet events and timer ticks.
class TKivosForm {
public:
    TKivosForm(const LinkPlatform& platform, LinkState& state, LinkView& view);
    ~TKivosForm();
    TKivosForm(const TKivosForm&) = delete;
    TKivosForm& operator=(const TKivosForm&) = delete;

    void FormCreate();
    void FormDestroy();

    // Module commands (creation and shared steps).
    void GetFirmwareString();
    void SendCustomCmd(const QString& CmdStr);

    // Base station discovery.
    void FullScan();
    void ScanPortsForBaseStation();
    void ScanNextPortForBaseStation(int P);
    void CheckBaseStation();
    void CheckBaseVersion();
    void CheckBaseChannel();
    void CheckBaseBandwidth();
    void BaseTimerTimer();
    void FixedDataPacketStringPacket(const QByteArray& Data);

    // Base station configuration.
    void SetChannel(int Channel);
    void SetBandwidth(int B);
    void DCS(bool Active);
    void BaseStationReset();
    void SendReset(int P);
    void ReSetTimerTimer();
    void SetChanTimerTimer();

    // Outgoing frame queue.
    void COMTimerTimer();
    void DoRefresh();

    // Pads.
    void ScanPortForPads();
    void SilentScanAll();
    void SilentScan(const QString& P);
    void FramedDataPacketStringPacket(const QByteArray& Data);
    void RegisterPad(const QString& Id, const QString& Version);

    // Pad commands.
    void KbdLocked(bool Lock);
    void RequestJudgeIDs();
    void SendDive(const QString& DiveStr);

    // Echo test.
    void TestEcho(int NoOfLoops);
    void TestEchoNextLoop();
    void TestEchoJudges();
    void EchoTimerTimer();
    void DoEchoReply(const QString& Id, const QString& Text);
    void UpdateReport();
    void EchoOneJudge(const QString& P);

    // Components, in their order of declaration.
    std::unique_ptr<WindowTimer> BaseTimer;
    std::unique_ptr<WindowTimer> COMTimer;
    std::unique_ptr<WindowTimer> EchoTimer;
    std::unique_ptr<WindowTimer> ReSetTimer;
    std::unique_ptr<WindowTimer> SetChanTimer;
    ::ComPort ComPort;
    ::FixedDataPacket FixedDataPacket;
    ::FramedDataPacket FramedDataPacket;

    LinkState& State() { return s_; }

private:
    // The shared steps.
    void SelectModuleReplies(int length);
    void SelectPadFrames();
    void SendModuleCommand(const QString& text);
    // Framed collector off with its AutoEnable cleared, if it is enabled.
    void StopPadFrames();
    // Framed collector on with AutoEnable, if it is not enabled; the fixed one is left alone.
    void EnsurePadFrames();
    void StartQueue(int interval);
    // The port walk is over without a base station: the window is refreshed and usable again.
    void EndPortWalkWithoutBaseStation();
    void AddSendQueue(const QString& frame) { s_.SendQueue.append(frame); }

    QString Port() const { return QString::number(ComPort.ComNumber()); }
    QString Message(const char* id) const;
    void Log(const QString& line) const;
    void onLineLost(const QString& why);

    EventLoop& loop_;
    const PortCatalog& ports_;
    const LocaleFacts& locale_;
    const MessageSource& messages_;
    LinkState& s_;
    LinkView& view_;
};
