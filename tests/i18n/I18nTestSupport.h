#pragma once
#include "Languages.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ostream>

// Readable failure messages for Qt text.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

// One line of a translation file: the key and the given texts, padded with empty texts to all
// sixteen languages.
inline QByteArray row(const QString& key, QStringList texts)
{
    while (texts.size() < LanguageCount)
        texts.append(QString());
    return (key + u'\t' + texts.join(u'\t') + u'\n').toUtf8();
}
