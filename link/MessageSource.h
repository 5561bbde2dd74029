#pragma once
#include <QString>

// Translatable messages, looked up by identifier ("IDS_104") in the active language.
class MessageSource {
public:
    virtual ~MessageSource() = default;
    virtual QString Text(const QString& id) const = 0;
};
