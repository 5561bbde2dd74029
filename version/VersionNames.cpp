#include "VersionNames.h"

#include <array>
#include <utility>

namespace verinfo {

std::optional<QString> knownLanguageName(quint32 languageId)
{
    static constexpr std::array<std::pair<quint32, const char*>, 40> kLanguages = {{
        {0x0000, "Language Neutral"},
        {0x0401, "Arabic (Saudi Arabia)"},
        {0x0402, "Bulgarian (Bulgaria)"},
        {0x0403, "Catalan (Catalan)"},
        {0x0404, "Chinese (Traditional, Taiwan)"},
        {0x0405, "Czech (Czech Republic)"},
        {0x0406, "Danish (Denmark)"},
        {0x0407, "German (Germany)"},
        {0x0408, "Greek (Greece)"},
        {0x0409, "English (United States)"},
        {0x040B, "Finnish (Finland)"},
        {0x040C, "French (France)"},
        {0x040D, "Hebrew (Israel)"},
        {0x040E, "Hungarian (Hungary)"},
        {0x040F, "Icelandic (Iceland)"},
        {0x0410, "Italian (Italy)"},
        {0x0411, "Japanese (Japan)"},
        {0x0412, "Korean (Korea)"},
        {0x0413, "Dutch (Netherlands)"},
        {0x0414, "Norwegian, Bokmål (Norway)"},
        {0x0415, "Polish (Poland)"},
        {0x0416, "Portuguese (Brazil)"},
        {0x0418, "Romanian (Romania)"},
        {0x0419, "Russian (Russia)"},
        {0x041A, "Croatian (Croatia)"},
        {0x041B, "Slovak (Slovakia)"},
        {0x041D, "Swedish (Sweden)"},
        {0x041F, "Turkish (Turkey)"},
        {0x0422, "Ukrainian (Ukraine)"},
        {0x0424, "Slovenian (Slovenia)"},
        {0x0804, "Chinese (Simplified, PRC)"},
        {0x0807, "German (Switzerland)"},
        {0x0809, "English (United Kingdom)"},
        {0x080C, "French (Belgium)"},
        {0x0813, "Dutch (Belgium)"},
        {0x0816, "Portuguese (Portugal)"},
        {0x0C07, "German (Austria)"},
        {0x0C09, "English (Australia)"},
        {0x0C0A, "Spanish (Spain, International Sort)"},
        {0x0C0C, "French (Canada)"},
    }};
    for (const auto& [id, name] : kLanguages)
        if (id == languageId)
            return QString::fromUtf8(name);
    return std::nullopt;
}

std::optional<QString> knownCodePageName(quint32 codePage)
{
    static constexpr std::array<std::pair<quint32, const char*>, 20> kCodePages = {{
        {437, "OEM - United States"},
        {850, "OEM - Multilingual Latin I"},
        {852, "OEM - Latin II"},
        {866, "OEM - Russian"},
        {874, "ANSI/OEM - Thai"},
        {932, "ANSI/OEM - Japanese Shift-JIS"},
        {936, "ANSI/OEM - Simplified Chinese GBK"},
        {949, "ANSI/OEM - Korean"},
        {950, "ANSI/OEM - Traditional Chinese Big5"},
        {1250, "ANSI - Central Europe"},
        {1251, "ANSI - Cyrillic"},
        {1252, "ANSI - Latin I"},
        {1253, "ANSI - Greek"},
        {1254, "ANSI - Turkish"},
        {1255, "ANSI - Hebrew"},
        {1256, "ANSI - Arabic"},
        {1257, "ANSI - Baltic"},
        {1258, "ANSI/OEM - Viet Nam"},
        {20127, "US-ASCII"},
        {65001, "UTF-8"},
    }};
    constexpr quint32 kAnsiCodePage = 0;
    const quint32 wanted = codePage == kAnsiCodePage ? 1252 : codePage;
    for (const auto& [number, name] : kCodePages)
        if (number == wanted)
            return QStringLiteral("%1 (%2)").arg(QString::number(number).leftJustified(5), QString::fromLatin1(name));
    return std::nullopt;
}

QString fallbackCodePageName(quint32 codePage)
{
    if (codePage == 1200 || codePage == 1201)
        return QStringLiteral("Unicode");
    return QString::number(codePage);
}

} // namespace verinfo
