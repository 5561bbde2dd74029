#pragma once
#include "MessageSource.h"

#include <QString>

// The program's messages with their English texts; translations come from the language data.
class EnglishMessages : public MessageSource {
public:
    QString Text(const QString& id) const override;
};

// The English text of a message, or empty for an unknown identifier.
QString englishMessage(const QString& id);
