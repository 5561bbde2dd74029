#include "Wire.h"

namespace wire {
namespace {

QString ch(char16_t c)
{
    return QString(QChar(c));
}

// STX, the address, the body, ESC, the codes, EOT.
QString frame(const QString& address, const QString& codes)
{
    return ch(STX) + address + ch(ESC) + codes + ch(EOT);
}

// ID, "J" and the J-number: "3J3", "aJ10".
QString padLabel(QChar id)
{
    return QString(id) + u'J' + QString::number(JNumber(id));
}

} // namespace

const std::array<QString, 5>& ControlChars()
{
    static const std::array<QString, 5> chars = {ch(STX), ch(EOT), ch(ACK), ch(SUB), ch(ESC)};
    return chars;
}

const std::array<QString, 10>& ModuleCommands()
{
    static const std::array<QString, 10> commands = {
        QString::fromUtf16(kDcsPrefix),     QString::fromUtf16(kResetCommand),
        QString::fromUtf16(kChannelPrefix), QString::fromUtf16(kVersionQuery),
        QStringLiteral("ER_CMD#B0"),        QStringLiteral("ER_CMD#B1"),
        QStringLiteral("ER_CMD#B2"),        QStringLiteral("ER_CMD#B3"),
        QStringLiteral("ER_CMD#B6"),        QString::fromUtf16(kJudgeIdPrompt) + ch(ESC) + QStringLiteral("02") + ch(EOT)};
    return commands;
}

int JNumber(QChar id)
{
    return int(QString::fromUtf16(PadAlphabet).indexOf(id));
}

QChar PadId(int j)
{
    return QChar(PadAlphabet[j]);
}

QString channelQuery()
{
    return QString::fromUtf16(kChannelPrefix) + u'?';
}

QString channelCommand(int channel)
{
    return QString::fromUtf16(kChannelPrefix) + QString::number(channel);
}

QString bandwidthCommand(int index)
{
    return ModuleCommands().at(std::size_t(4 + index));
}

QString dcsCommand(bool on)
{
    return QString::fromUtf16(kDcsPrefix) + (on ? u'1' : u'0');
}

QString resetCommand(bool supportsReset)
{
    return supportsReset ? QString::fromUtf16(kResetCommand) : channelCommand(7);
}

QString labelledHelloFrame(QChar id)
{
    return frame(padLabel(id), QStringLiteral("13"));
}

QString plainHelloFrame(QChar id)
{
    return frame(QString(id), QStringLiteral("3"));
}

QString lockFrame(QChar id, bool lock)
{
    return frame(QString(id), lock ? QStringLiteral("1") : QStringLiteral("0"));
}

QString judgeIdRequestFrame(QChar id)
{
    return ch(STX) + id + ModuleCommands()[9];
}

QString diveFrame(QChar id, const QString& dive)
{
    // The address is always four characters, so the dive text starts at position 8.
    return frame(padLabel(id).leftJustified(4, u' ') + QStringLiteral("  ") + dive, QStringLiteral("0"));
}

QString broadcastDiveFrame(const QString& dive)
{
    return frame(QStringLiteral("FJ") + ch(SUB) + QStringLiteral("   ") + dive, QStringLiteral("0"));
}

QString echoFrame(QChar id, int loop)
{
    return frame(padLabel(id) + QStringLiteral("  ") + QString::number(loop), QStringLiteral("4"));
}

QString bareEchoFrame(QChar id)
{
    return frame(QString(id), QStringLiteral("4"));
}

QString acknowledgementFrame(QChar id, const QString& text, bool judgeIdMode)
{
    const QString body = judgeIdMode ? QStringLiteral("OK  ") + text + QStringLiteral("      Quelta")
                                     : QStringLiteral("OK   ") + text + QStringLiteral("       Quelta");
    return frame(QString(id) + ch(ACK) + body, QStringLiteral("1"));
}

} // namespace wire
