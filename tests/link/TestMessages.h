#pragma once
#include "MessageSource.h"

// The link controller's messages in English, so that its tests need no translation data.
class TestMessages : public MessageSource {
public:
    QString Text(const QString& id) const override
    {
        static const std::pair<const char*, const char*> table[] = {
            {"IDS_9", "Enter a command"},        {"IDS_100", "No Base Station found"},
            {"IDS_101", "No ports found"},       {"IDS_103", "Please run a 'Scans, Full Scan' first"},
            {"IDS_104", "Start Full Scan"},      {"IDS_105", "No available ports!"},
            {"IDS_106", "Available port numbers: "}};
        for (const auto& [key, text] : table)
            if (id == QLatin1String(key))
                return QString::fromLatin1(text);
        return {};
    }
};
