#include "LocaleFacts.h"

#include <QLocale>
#include <QRegularExpression>

QString SystemLocaleFacts::decimalSeparator() const
{
    return QLocale::system().decimalPoint();
}

QString SystemLocaleFacts::timeSeparator() const
{
    // Qt has no time separator of its own: take what stands between hours and minutes.
    static const QRegularExpression between(QStringLiteral("[hH]+([^hHm]+)m"));
    const auto match = between.match(QLocale::system().timeFormat(QLocale::ShortFormat));
    return match.hasMatch() ? match.captured(1).trimmed().left(1) : QStringLiteral(":");
}
