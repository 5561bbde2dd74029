#include "Languages.h"

#include <utility>

QString languageName(int language)
{
    static constexpr std::array<const char*, LanguageCount> names = {
        "English", "Dutch", "French", "German", "Spanish", "Italian", "Croatian", "Turkish",
        "Danish", "Swedish", "Russian", "Polski", "Chinese", "Norwegian", "Catalan", "Hungarian"};
    return isLanguageNumber(language) ? QString::fromLatin1(names[static_cast<std::size_t>(language - 1)])
                                      : QString();
}

int primaryLanguageId(QLocale::Language language)
{
    static constexpr std::pair<QLocale::Language, int> ids[] = {
        {QLocale::Catalan, 0x03},   {QLocale::Chinese, 0x04},          {QLocale::Danish, 0x06},
        {QLocale::German, 0x07},    {QLocale::English, 0x09},          {QLocale::Spanish, 0x0A},
        {QLocale::French, 0x0C},    {QLocale::Hungarian, 0x0E},        {QLocale::Italian, 0x10},
        {QLocale::Dutch, 0x13},     {QLocale::NorwegianBokmal, 0x14},  {QLocale::NorwegianNynorsk, 0x14},
        {QLocale::Polish, 0x15},    {QLocale::Russian, 0x19},          {QLocale::Croatian, 0x1A},
        {QLocale::Serbian, 0x1A},   {QLocale::Bosnian, 0x1A},          {QLocale::Swedish, 0x1D},
        {QLocale::Turkish, 0x1F},
    };
    for (const auto& [qt, id] : ids)
        if (qt == language)
            return id;
    return 0;
}

int languageForPrimaryLanguageId(int primaryId)
{
    static constexpr std::pair<int, int> numbers[] = {
        {0x04, 13}, {0x06, 9},  {0x07, 4},  {0x0A, 5},  {0x0C, 3},  {0x10, 6},  {0x13, 2},
        {0x14, 14}, {0x15, 12}, {0x19, 11}, {0x1A, 7},  {0x1D, 10}, {0x1F, 8},
    };
    for (const auto& [id, number] : numbers)
        if (id == primaryId)
            return number;
    return EnglishLanguage;
}
