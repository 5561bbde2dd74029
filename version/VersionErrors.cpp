#include "VersionErrors.h"

#include <array>
#include <utility>

namespace verinfo {

QString errorMessage(quint32 code)
{
    static constexpr std::array<std::pair<quint32, const char*>, 11> kTexts = {{
        {NoError, "The operation completed successfully."},
        {FileNotFound, "The file cannot be found."},
        {AccessDenied, "The file cannot be opened."},
        {InvalidData, "The version information is damaged."},
        {ReadFault, "The file cannot be read."},
        {InvalidParameter, "The identifier is not known."},
        {BadExeFormat, "The file is not a program file."},
        {NoVersionInfo, "The file contains no version information."},
        {ResourceTypeNotFound, "The file's resources contain no version information."},
        {KeyNotFound, "The version information has no value under this name."},
        {NoTranslation, "The version information has no translation table."},
    }};
    for (const auto& [number, text] : kTexts)
        if (number == code)
            return QString::fromLatin1(text);
    return {};
}

} // namespace verinfo
