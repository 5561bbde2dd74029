#pragma once
#include "Languages.h"

#include <QLocale>
#include <QString>

#include <array>
#include <functional>
#include <vector>

class LanguageDispatcher;
class MessageSource;

// The mask of the menu items when the settings have none: English, Dutch, French, Spanish,
// Italian, Turkish and Swedish.
inline constexpr char DefaultLanguageMask[] = "1110110101000000";

struct LanguageMenuItem {
    QString name;     // "SpTBXLang1" to "SpTBXLang16"
    QString caption;  // in its own language; never translated
    int tag = 0;      // the language number
    int place = 0;    // 1-based position in the "Language.." submenu
    bool enabled = true;
    bool checked = false;
};

// The sixteen language items of the "Language.." submenu: one check group, enabled by the mask.
// Before the mask is applied every item is enabled and none is checked.
class LanguageMenu {
public:
    LanguageMenu();

    // Indexed by language number - 1.
    const std::array<LanguageMenuItem, LanguageCount>& items() const { return items_; }
    const LanguageMenuItem& item(int language) const;
    // The order in which the submenu lists them (followed by "Your language", SpTBXLangX).
    std::vector<LanguageMenuItem> inSubmenuOrder() const;

    // Item i is enabled exactly when character i of the mask is "1"; characters past the
    // sixteenth have no item.
    void applyMask(const QString& mask);
    // Checks the item of that language only; no item when the number is no language.
    void checkOnly(int language);
    // A click toggles the item's check mark; checking it unchecks the rest of the group. False,
    // and nothing changes, for a disabled item or a number that is no language.
    bool click(int language);

private:
    std::array<LanguageMenuItem, LanguageCount> items_;
};

// Reads one key of the settings' "General" section, giving the default when it is missing or
// unreadable (as the settings file does).
struct LanguageSettingsReader {
    std::function<int(const QString& key, int defaultValue)> readInteger;
    std::function<QString(const QString& key, const QString& defaultValue)> readString;
};

// The window's side of the language: LanguageIndex and LanguageMask as they are stored, the
// menu, and the language file in the data folder. Drives the dispatcher; holds no widgets.
class LanguageSelection {
public:
    LanguageSelection(LanguageDispatcher& dispatcher, const MessageSource& mainWindowMessages);

    // The start-up steps, in order: the stored language (or the system's when none is stored),
    // the language file in dataDir, the stored mask extended to 16 characters, the menu's enabled
    // and checked states, and the active language.
    void startUp(const LanguageSettingsReader& settings, const QString& dataDir,
                 QLocale::Language systemLanguage = QLocale::system().language());

    // LanguageIndex from the system's language.
    void initialiseLanguage(QLocale::Language systemLanguage);

    // A click on the language item with this tag (SpTBXLang1Click): after the check mark
    // toggles, the item's language becomes LanguageIndex and the active language. Clicking the
    // checked item only removes its check mark. Disabled items cannot be clicked.
    void click(int tag);

    // The "Your language" message (SpTBXLangX): two lines in the active language.
    QString yourLanguageMessage() const;

    // What FormClose writes back: "Language" and "Languages".
    int languageIndex() const { return languageIndex_; }
    const QString& languageMask() const { return languageMask_; }

    const LanguageMenu& menu() const { return menu_; }

    static QString languageFilePath(const QString& dataDir);
    // The stored mask, padded with "0" to 16 characters; a longer one is kept as it is.
    static QString extendedMask(const QString& stored);

private:
    LanguageDispatcher& dispatcher_;
    const MessageSource& messages_;
    LanguageMenu menu_;
    int languageIndex_ = 0;
    QString languageMask_;
};
