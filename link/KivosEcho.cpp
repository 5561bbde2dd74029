// The echo test: loops of echo frames to every registered pad, with one resend per pad.
#include "Kivos.h"

#include "EventLoop.h"
#include "LinkView.h"
#include "WindowTimer.h"
#include "Wire.h"

namespace {

QString rightAligned(int value, int width)
{
    return QString::number(value).rightJustified(width, u' ');
}

// Decimal digits, optionally preceded by spaces and a sign.
bool parseLoopNumber(const QString& text, int& value)
{
    bool ok = false;
    value = text.trimmed().toInt(&ok, 10);
    return ok && !text.isEmpty() && !text.back().isSpace();
}

} // namespace

void TKivosForm::TestEcho(int NoOfLoops)
{
    SelectPadFrames();
    s_.EchoTestActive = true;
    s_.EchoLoops = NoOfLoops;
    EchoTimer->setInterval(view_.TestDelay());
    view_.SetProgressMax(int(s_.PadIds.count()) * s_.EchoLoops);
    s_.EchoStats.fill(EchoCounters{});
    for (int j = 0; j < 12; ++j)
        view_.SetReportText(j, QString::number(j));
    s_.EchoLoop = 0;
    TestEchoNextLoop();
}

void TKivosForm::TestEchoNextLoop()
{
    // A loop over no pads ends at once; iterate rather than recurse so that ten thousand empty
    // loops cannot exhaust the stack.
    while (s_.EchoLoop < s_.EchoLoops) {
        ++s_.EchoLoop;
        s_.EchoPadCursor = 0;
        SelectPadFrames();
        if (s_.EchoPadCursor < s_.PadIds.count()) {
            TestEchoJudges();
            return;
        }
    }
    view_.HideProgress();
    s_.EchoTestActive = false;
}

void TKivosForm::TestEchoJudges()
{
    SelectPadFrames();
    if (s_.EchoPadCursor >= s_.PadIds.count()) {
        TestEchoNextLoop();
        return;
    }
    view_.StepProgress();
    s_.ReportColour = TextColour::WindowText;
    ++s_.EchoPadCursor;
    const QChar c = s_.PadIds.at(s_.EchoPadCursor - 1).at(0);
    const QString frame = wire::echoFrame(c, s_.EchoLoop);
    s_.EchoFrame = wire::bareEchoFrame(c);
    s_.EchoReplied = false;
    Log(QString(c) + QStringLiteral(" -->") + rightAligned(s_.EchoLoop, 8) + rightAligned(loop_.millisOfMinute(), 8));
    ComPort.Write(frame);
    EchoTimer->setEnabled(true);
}

void TKivosForm::EchoTimerTimer()
{
    if (s_.EchoReplied || s_.EchoTimedOut) {
        EchoTimer->setEnabled(false);
        s_.EchoTimedOut = false;
        if (s_.EchoReplied)
            UpdateReport();
        TestEchoJudges();
        return;
    }
    s_.EchoTimedOut = true;
    const QString id = s_.EchoFrame.mid(1, 1);
    const int j = id.isEmpty() ? -1 : wire::JNumber(id.at(0));
    if (j >= 0)
        ++s_.EchoStats[std::size_t(j)].Resends;
    s_.ReportColour = TextColour::Red;
    Log(id + QStringLiteral(" -->>") + rightAligned(s_.EchoLoop, 7) + rightAligned(loop_.millisOfMinute(), 8));
    ComPort.Write(s_.EchoFrame);
}

void TKivosForm::DoEchoReply(const QString& Id, const QString& Text)
{
    const int stamp = loop_.millisOfMinute();
    const int j = Id.isEmpty() ? -1 : wire::JNumber(Id.at(0));
    s_.CurrentPad = j;
    QString rest = Text;
    const qsizetype space = rest.indexOf(u' ');
    if (space >= 0)
        rest.remove(0, space + 1);
    const qsizetype end = rest.indexOf(u' ', 1);
    const QString loopText = rest.mid(1, end < 0 ? -1 : end - 1);
    int loopNumber = 0;
    // A reply without a loop number is noise: not logged, not counted, the wait goes on.
    if (j < 0 || !parseLoopNumber(loopText, loopNumber))
        return;
    Log(Id + QStringLiteral(" <-- ") + loopText.trimmed() + rightAligned(stamp, 8));
    EchoCounters& counters = s_.EchoStats[std::size_t(j)];
    if (s_.EchoTimedOut) {
        if (loopNumber == s_.EchoLoop)
            ++counters.MissedSends;
        else
            ++counters.MissedReads;
    }
    ++counters.Replies;
    s_.EchoReplied = true;
}

void TKivosForm::UpdateReport()
{
    const int j = s_.CurrentPad;
    if (j < 0 || j > 11)
        return;
    const EchoCounters& c = s_.EchoStats[std::size_t(j)];
    const QString line = QString::number(j) + rightAligned(c.Replies, 8) + rightAligned(c.Resends, 8)
                         + rightAligned(c.MissedReads, 8) + rightAligned(c.MissedSends, 8);
    view_.SetReportLine(j, line, s_.ReportColour);
}

void TKivosForm::EchoOneJudge(const QString& P)
{
    SelectPadFrames();
    if (!P.isEmpty())
        ComPort.Write(wire::bareEchoFrame(P.at(0)));
}
