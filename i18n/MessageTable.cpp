#include "MessageTable.h"

#include <array>
#include <utility>

QString englishMessage(const QString& id)
{
    static const std::array<std::pair<const char*, const char*>, 11> table = {{
        {"IDS_1", "If you are willing to help translate this program"},
        {"IDS_2", "into your language, please send me an email."},
        {"IDS_3", "Unable to locate Common Application Data folder."},
        {"IDS_4", "This is a Critical Error."},
        {"IDS_9", "Enter a command"},
        {"IDS_100", "No Base Station found"},
        {"IDS_101", "No ports found"},
        {"IDS_103", "Please run a 'Scans, Full Scan' first"},
        {"IDS_104", "Start Full Scan"},
        {"IDS_105", "No available ports!"},
        {"IDS_106", "Available port numbers: "},
    }};
    for (const auto& [key, text] : table)
        if (id == QLatin1String(key))
            return QString::fromLatin1(text);
    return {};
}

QString EnglishMessages::Text(const QString& id) const
{
    return englishMessage(id);
}
