#pragma once
#include <QLocale>
#include <QString>

#include <array>

// The sixteen user-interface languages, numbered 1 to 16. Number 1, English, is the default:
// every empty translation shows the English text.
inline constexpr int LanguageCount = 16;
inline constexpr int EnglishLanguage = 1;

constexpr bool isLanguageNumber(int language)
{
    return language >= 1 && language <= LanguageCount;
}

// The language's name as the translation data and the log use it ("English", "Dutch", ...).
QString languageName(int language);

// Windows primary language identifier (the low 10 bits of a locale identifier) of a Qt language;
// 0 when Windows has none we know of. Serbian and Bosnian share Croatian's identifier.
int primaryLanguageId(QLocale::Language language);

// The language the program starts in on a system of this primary language; English for any
// language the program has no entry for (Catalan and Hungarian included: those two are reached
// only from the menu or the settings).
int languageForPrimaryLanguageId(int primaryId);

inline int initialLanguage(QLocale::Language systemLanguage)
{
    return languageForPrimaryLanguageId(primaryLanguageId(systemLanguage));
}
