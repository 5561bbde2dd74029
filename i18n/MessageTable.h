#pragma once
#include "MessageSource.h"

#include <QString>

// The program's messages in English, for code that runs without a language dispatcher.
class EnglishMessages : public MessageSource {
public:
    QString Text(const QString& id) const override;
};

// The English text of a message, or empty for an unknown identifier.
QString englishMessage(const QString& id);
