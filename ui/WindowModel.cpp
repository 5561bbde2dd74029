#include "WindowModel.h"

#include "Kivos.h"
#include "LinkState.h"
#include "LocaleFacts.h"
#include "MessageSource.h"
#include "Wire.h"

#include <algorithm>

const std::array<QString, 10>& WindowModel::SampleDives()
{
    static const std::array<QString, 10> dives = {
        QStringLiteral("103B 3m    First Diver"),  QStringLiteral("201B 3m    Diver Two"),
        QStringLiteral("301B 1m    Third Diver"),  QStringLiteral("403B 3m    Diver Four"),
        QStringLiteral("5134D 3m   Fifth Diver"),  QStringLiteral("107C 5m    Diver Six"),
        QStringLiteral("205B 10m   Seventh Diver"), QStringLiteral("305C 10m   Diver Eight"),
        QStringLiteral("405B 3m    Ninth Diver"),  QStringLiteral("5152D 3m   Diver Ten")};
    return dives;
}

const QStringList& WindowModel::RefreshedControls()
{
    static const QStringList names = {
        QStringLiteral("SpTBXItemActivePort"),     QStringLiteral("SpTBXItemHidden"),
        QStringLiteral("gbStatus"),                QStringLiteral("edtCommand"),
        QStringLiteral("btnCmd"),                  QStringLiteral("rgDCS"),
        QStringLiteral("SpTBXSubmenuItemCommand"), QStringLiteral("SpTBXItemEcho"),
        QStringLiteral("SpTBXCharTest"),           QStringLiteral("SpTBXSubmenuItemScans")};
    return names;
}

WindowModel::WindowModel(LinkState& state, const LocaleFacts& locale, const MessageSource& messages)
    : s_(state), locale_(locale), messages_(messages)
{
    // The start-up state of the window.
    s_.BaseIsEra = true;
    s_.BandwidthIndex = 4;
    for (const QString& name : {QStringLiteral("SpTBXItemActivePort"), QStringLiteral("SpTBXItemHidden"),
                                QStringLiteral("SpTBXSubmenuItemCommand"), QStringLiteral("SpTBXItemEcho"),
                                QStringLiteral("SpTBXCharTest"), QStringLiteral("rgDCS"), QStringLiteral("gbStatus"),
                                QStringLiteral("edtCommand"), QStringLiteral("btnCmd")})
        setEnabled(name, false);
    for (int j = 0; j < 12; ++j)
        reportText[std::size_t(j)] = QString::number(j);
}

void WindowModel::setDeveloperMode(bool on)
{
    developerMode_ = on;
}

bool WindowModel::enabled(const QString& control) const
{
    const auto it = enabled_.find(control);
    return it == enabled_.end() || it->second;
}

bool WindowModel::visible(const QString& control) const
{
    if (control == QLatin1String("rgCompatibility"))
        return rgCompatibilityVisible;
    if (control == QLatin1String("lblTime"))
        return lblTimeVisible;
    if (control == QLatin1String("btnCmd") || control == QLatin1String("edtCommand")
        || control == QLatin1String("rgBandwidth") || control == QLatin1String("SpTBXCharTest"))
        return developerMode_;
    return true;
}

void WindowModel::LogLine(const QString& line)
{
    log.append(line);
    notify([&](Observer& o) { o.logLine(line); });
}

void WindowModel::ClearLog()
{
    log.clear();
    notify([](Observer& o) { o.logCleared(); });
}

void WindowModel::Refresh()
{
    PadCount = int(s_.PadIds.count());
    padsFound_ = PadCount > 0;
    lblTimeVisible = padsFound_;
    lblFirmware = s_.BaseVersionText;
    lblPort = s_.PortText;
    lblChannel = s_.ChannelText;
    rgBandwidth = s_.BandwidthIndex;
    rgCompatibility = std::max(s_.BandwidthIndex, 3) - 3;
    rgCompatibilityVisible = s_.BaseIsEra;
    const bool base = s_.BasePort > 0;
    for (const QString& name : {QStringLiteral("SpTBXItemActivePort"), QStringLiteral("SpTBXItemHidden"),
                                QStringLiteral("gbStatus"), QStringLiteral("edtCommand"), QStringLiteral("btnCmd")})
        setEnabled(name, base);
    setEnabled(QStringLiteral("rgDCS"), s_.BaseHasDCS);
    edtCommandCue = base ? messages_.Text(QStringLiteral("IDS_9")) : QString();
    setEnabled(QStringLiteral("SpTBXSubmenuItemCommand"), padsFound_);
    setEnabled(QStringLiteral("SpTBXItemEcho"), padsFound_);
    setEnabled(QStringLiteral("SpTBXCharTest"), padsFound_ && developerMode_);

    QString summary;
    if (!s_.PadVersions.isEmpty()) {
        summary = s_.PadVersions.at(0) == QLatin1String("0") ? QStringLiteral("<pre 910>") : s_.PadVersions.at(0);
        for (qsizetype i = 1; i < s_.PadVersions.count(); ++i)
            summary += QStringLiteral(", ") + s_.PadVersions.at(i);
    }
    if (!s_.BaseIsEra && s_.VersionReplySize == 26) {
        // A module that is not an ERA module sends a longer version reply: ask once more for all of it.
        s_.VersionReplySize = 27;
        if (link_)
            link_->GetFirmwareString();
    }
    lblKVVer = summary;
    lblEcho.clear();
    chk1 = s_.BroadcastMode;
    if (padsFound_)
        DoTime();
    setEnabled(QStringLiteral("SpTBXSubmenuItemScans"), true);
    ChannelSpinEdit = s_.BaseIsEra ? 1 : 7;
    notify([](Observer& o) { o.refreshed(); });
}

void WindowModel::ReSetLEDs()
{
    lampGreen.fill(false);
    handCursor.fill(false);
    for (int j = 0; j < 12; ++j)
        notify([j](Observer& o) { o.lampChanged(j); });
}

void WindowModel::DoAward(const QString& text)
{
    const int j = s_.CurrentPad;
    if (j < 0 || j > 11)
        return;
    awards[std::size_t(j)] = text;
    notify([j](Observer& o) { o.awardChanged(j); });
}

void WindowModel::DoTime()
{
    // Products beyond 32 bits cannot come from the clamped spin boxes; 64 bits keep it exact.
    const qint64 n = qint64(TestDelaySpinEdit) * TestSpinEdit * PadCount;
    // The estimate is multiplied in extended precision and truncated, as the figures users
    // have compared for years were computed: 1800 ms give 1880, not 1881.
    const auto d = static_cast<qint64>(static_cast<long double>(n) * 1.045L);
    const qint64 seconds = (d / 1000) % 60;
    const qint64 minutes = (d / 60000) % 60;
    const qint64 hours = d / 3600000;
    const QString sep = locale_.timeSeparator();
    lblTime = QString::number(hours) + sep + QStringLiteral("%1").arg(minutes, 2, 10, QLatin1Char('0')) + sep
              + QStringLiteral("%1").arg(seconds, 2, 10, QLatin1Char('0'));
    notify([](Observer& o) { o.timeChanged(); });
}

void WindowModel::SetPadAnswered(int j)
{
    if (j < 0 || j > 11)
        return;
    lampGreen[std::size_t(j)] = true;
    handCursor[std::size_t(j)] = true;
    notify([j](Observer& o) { o.lampChanged(j); });
}

void WindowModel::ShowEcho(const QString& text)
{
    lblEcho = text;
    notify([](Observer& o) { o.echoTextChanged(); });
}

void WindowModel::SetReportText(int j, const QString& text)
{
    if (j < 0 || j > 11)
        return;
    reportText[std::size_t(j)] = text;
    notify([j](Observer& o) { o.reportChanged(j); });
}

void WindowModel::SetReportLine(int j, const QString& text, TextColour colour)
{
    if (j < 0 || j > 11)
        return;
    reportText[std::size_t(j)] = text;
    reportColour[std::size_t(j)] = colour;
    notify([j](Observer& o) { o.reportChanged(j); });
}

void WindowModel::SetProgressMax(int max)
{
    progressMax = max;
    notify([](Observer& o) { o.progressChanged(); });
}

void WindowModel::StepProgress()
{
    ++progressPosition;
    notify([](Observer& o) { o.progressChanged(); });
}

void WindowModel::HideProgress()
{
    progressVisible = false;
    notify([](Observer& o) { o.progressChanged(); });
}

void WindowModel::SetBusyCursor(bool on)
{
    busy = on;
    notify([](Observer& o) { o.cursorChanged(); });
}

void WindowModel::SetMonitoring(bool on)
{
    monitoring = on;
    notify([](Observer& o) { o.monitoringChanged(); });
}

void WindowModel::ShowInformation(const QString& text)
{
    notify([&](Observer& o) { o.message(text); });
}

void WindowModel::ReportError(const QString& text)
{
    LogLine(QStringLiteral("Error: ") + text);
    notify([&](Observer& o) { o.error(text); });
}

void WindowModel::clearEcho()
{
    ShowEcho(QString());
}

void WindowModel::SpTBXItemFullScanClick()
{
    setEnabled(QStringLiteral("SpTBXSubmenuItemScans"), false);
    clearEcho();
    ReSetLEDs();
    ClearLog();
    link_->FullScan();
}

void WindowModel::SpTBXItemActivePortClick()
{
    setEnabled(QStringLiteral("SpTBXSubmenuItemScans"), false);
    clearEcho();
    ReSetLEDs();
    link_->ScanPortForPads();
}

void WindowModel::SpTBXItemHiddenClick()
{
    setEnabled(QStringLiteral("SpTBXSubmenuItemScans"), false);
    clearEcho();
    ReSetLEDs();
    link_->SilentScanAll();
}

void WindowModel::SpTBXItemNextDiveClick()
{
    clearEcho();
    for (int j = 0; j < 12; ++j) {
        awards[std::size_t(j)].clear();
        notify([j](Observer& o) { o.awardChanged(j); });
    }
    link_->SendDive(SampleDives()[std::size_t(SampleDiveIndex)]);
    SampleDiveIndex = (SampleDiveIndex + 1) % 10;
}

void WindowModel::SpTBXItemJudgeClick()
{
    clearEcho();
    link_->RequestJudgeIDs();
}

void WindowModel::SpTBXItemLockClick()
{
    clearEcho();
    link_->KbdLocked(true);
}

void WindowModel::SpTBXItemUnlockClick()
{
    clearEcho();
    link_->KbdLocked(false);
}

void WindowModel::SpTBXItemEchoClick()
{
    clearEcho();
    progressPosition = 0;
    progressVisible = true;
    notify([](Observer& o) { o.progressChanged(); });
    ClearLog();
    link_->TestEcho(TestSpinEdit);
}

void WindowModel::SpTBXCharTestClick()
{
    if (edtCommand.isEmpty())
        edtCommand = QStringLiteral("160");
    bool ok = false;
    int start = edtCommand.toInt(&ok, 10);
    if (!ok) {
        edtCommand = QStringLiteral("160");
        start = 160;
    }
    start = std::min(start, 246);
    QString text;
    for (int i = 0; i < 10; ++i)
        text.append(QChar(char16_t((qint64(start) + i) & 0xFFFF)));
    link_->SendDive(text);
    edtCommand = QString::number(start + 10);
}

void WindowModel::BtnAbortClick()
{
    s_.EchoLoops = 1;
}

void WindowModel::BtnSetChannelClick()
{
    clearEcho();
    link_->SetChannel(ChannelSpinEdit);
    ReSetLEDs();
}

void WindowModel::BtnResetClick()
{
    clearEcho();
    link_->BaseStationReset();
    ChannelSpinEdit = 1;
    ReSetLEDs();
}

void WindowModel::BtnCmdClick()
{
    clearEcho();
    link_->SendCustomCmd(edtCommand);
}

void WindowModel::RgBandwidthClick(int index)
{
    if (index < 0 || index > 4)
        return;
    rgBandwidth = index;
    ReSetLEDs();
    link_->SetBandwidth(index);
}

void WindowModel::RgCompatibilityClick(int index)
{
    rgCompatibility = index;
    ReSetLEDs();
    if (index == 0)
        link_->SetBandwidth(3);
    else if (index == 1)
        link_->SetBandwidth(4);
}

void WindowModel::RgDCSClick(int index)
{
    if (index < 0 || index > 1)
        return;
    rgDCS = index;
    ReSetLEDs();
    clearEcho();
    link_->DCS(index == 0);
}

void WindowModel::Chk1Click(bool checked)
{
    chk1 = checked;
    s_.BroadcastMode = checked;
}

void WindowModel::LEDClick(int j)
{
    if (j < 0 || j > 11)
        return;
    clearEcho();
    lampGreen[std::size_t(j)] = false;
    notify([j](Observer& o) { o.lampChanged(j); });
    link_->SilentScan(QString(wire::PadId(j)));
}

void WindowModel::JLabClick(int j)
{
    if (j < 0 || j > 11)
        return;
    clearEcho();
    link_->EchoOneJudge(QString(wire::PadId(j)));
}

void WindowModel::TestSpinEditChange(int value)
{
    TestSpinEdit = std::clamp(value, 1, 10000);
    DoTime();
}

void WindowModel::TestDelaySpinEditChange(int value)
{
    TestDelaySpinEdit = std::clamp(value, 130, 300);
    DoTime();
}
