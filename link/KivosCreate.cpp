// Creation of the link controller and the steps that every exchange shares.
#include "Kivos.h"

#include "AnsiCodePage.h"
#include "Errors.h"
#include "EventLoop.h"
#include "LinkView.h"
#include "MessageSource.h"
#include "WindowTimer.h"
#include "Wire.h"

namespace {

std::unique_ptr<WindowTimer> makeTimer(EventLoop& loop, int interval, std::function<void()> onTick)
{
    auto timer = loop.createTimer();
    timer->setInterval(interval);
    timer->setOnTick(std::move(onTick));
    return timer;
}

} // namespace

TKivosForm::TKivosForm(const LinkPlatform& platform, LinkState& state, LinkView& view)
    : BaseTimer(makeTimer(platform.loop, 100, [this] { BaseTimerTimer(); })),
      COMTimer(makeTimer(platform.loop, 100, [this] { COMTimerTimer(); })),
      EchoTimer(makeTimer(platform.loop, 50, [this] { EchoTimerTimer(); })),
      ReSetTimer(makeTimer(platform.loop, 100, [this] { ReSetTimerTimer(); })),
      SetChanTimer(makeTimer(platform.loop, 100, [this] { SetChanTimerTimer(); })),
      ComPort(platform.loop, platform.device, platform.ports),
      FixedDataPacket(ComPort, platform.loop),
      FramedDataPacket(ComPort, platform.loop),
      loop_(platform.loop),
      ports_(platform.ports),
      locale_(platform.locale),
      messages_(platform.messages),
      s_(state),
      view_(view)
{
    FixedDataPacket.setPacketSize(27);
    FixedDataPacket.setOnPacket([this](const QByteArray& data) { FixedDataPacketStringPacket(data); });
    FramedDataPacket.setOnPacket([this](const QByteArray& data) { FramedDataPacketStringPacket(data); });
    ComPort.setOnLineLost([this](const QString& why) { onLineLost(why); });
    // The general error handler: whatever escapes a tick, a packet event or a click is one log line.
    loop_.setErrorSink([this](const QString& text) { view_.ReportError(text); });
}

TKivosForm::~TKivosForm()
{
    loop_.setErrorSink({});
}

void TKivosForm::FormCreate()
{
    s_.EchoTestActive = false;
    s_.JudgeIdMode = false;
    s_.BroadcastMode = false;
    s_.BaseSupportsReset = true;
    s_.PadIds.clear();
    s_.PortList.clear();
    s_.SendQueue.clear();
    s_.PadVersions.clear();
    FramedDataPacket.setStartString(ansi::fromUnicode(wire::ControlChars()[0]));
    FramedDataPacket.setEndString(ansi::fromUnicode(wire::ControlChars()[1]));
}

void TKivosForm::FormDestroy()
{
    s_.SendQueue.clear();
    s_.PadIds.clear();
    s_.PortList.clear();
    s_.PadVersions.clear();
}

QString TKivosForm::Message(const char* id) const
{
    return messages_.Text(QString::fromLatin1(id));
}

void TKivosForm::Log(const QString& line) const
{
    view_.LogLine(line);
}

void TKivosForm::onLineLost(const QString& why)
{
    // The device is gone (a USB adapter pulled out). Everything that would write to it stops,
    // so the log gets this one line instead of an error for every tick; the echo report and
    // its counters stay as they are, and the next Full Scan starts afresh.
    Log(Port() + QStringLiteral(" Serial line lost (") + why + QStringLiteral("); port closed"));
    for (WindowTimer* timer : {BaseTimer.get(), COMTimer.get(), EchoTimer.get(), ReSetTimer.get(), SetChanTimer.get()})
        timer->setEnabled(false);
    COMTimer->setInterval(wire::ScanPace);
    SetChanTimer->setInterval(100);
    s_.SendQueue.clear();
    if (s_.EchoTestActive) {
        s_.EchoTestActive = false;
        view_.HideProgress();
    }
    view_.SetBusyCursor(false);
    view_.Refresh();
}

void TKivosForm::StopPadFrames()
{
    if (FramedDataPacket.enabled()) {
        FramedDataPacket.AutoEnable = false;
        FramedDataPacket.setEnabled(false);
    }
}

void TKivosForm::EnsurePadFrames()
{
    if (!FramedDataPacket.enabled()) {
        FramedDataPacket.AutoEnable = true;
        FramedDataPacket.setEnabled(true);
    }
}

void TKivosForm::SelectModuleReplies(int length)
{
    StopPadFrames();
    FixedDataPacket.setPacketSize(length);
    FixedDataPacket.setEnabled(true);
}

void TKivosForm::SelectPadFrames()
{
    FixedDataPacket.setEnabled(false);
    FramedDataPacket.AutoEnable = true;
    FramedDataPacket.setEnabled(true);
}

void TKivosForm::SendModuleCommand(const QString& text)
{
    ComPort.Write(text);
    loop_.Sleep(20);
    ComPort.Write(QString::fromUtf16(wire::kAckTrailer));
}

void TKivosForm::GetFirmwareString()
{
    SelectModuleReplies(s_.VersionReplySize);
    s_.FirmwareQueryPending = true;
    SendModuleCommand(QString::fromUtf16(wire::kVersionQuery));
}

void TKivosForm::SendCustomCmd(const QString& CmdStr)
{
    StopPadFrames();
    int length = int(CmdStr.size());
    if (CmdStr == QString::fromUtf16(wire::kVersionQuery))
        length = s_.BaseIsEra ? 26 : 27;
    if (length <= 0) {
        // An empty command has no reply length to wait for: refuse it before anything is sent.
        FixedDataPacket.setEnabled(false);
        throw QueltaError(QStringLiteral("Empty command not sent"));
    }
    FixedDataPacket.setPacketSize(length);
    FixedDataPacket.setEnabled(true);
    Log(Port() + QStringLiteral(" --> ") + CmdStr);
    SendModuleCommand(CmdStr);
    Log(Port() + QStringLiteral(" --> ACK"));
}
