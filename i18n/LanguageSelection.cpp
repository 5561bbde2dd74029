#include "LanguageSelection.h"

#include "LanguageDispatcher.h"
#include "Languages.h"
#include "MessageSource.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

struct ItemFacts {
    const char16_t* caption;
    int place;
};

constexpr std::array<ItemFacts, LanguageCount> itemFacts = {{
    {u"English", 1},  {u"Nederland", 10}, {u"Français", 6}, {u"Deutsch", 4},
    {u"Español", 5},  {u"Italiano", 8},   {u"Hrvatski", 7}, {u"Türkçe", 15},
    {u"Dansk", 3},    {u"Svenska", 14},   {u"Русский", 13}, {u"Polski", 12},
    {u"Chinese", 16}, {u"Norsk", 11},     {u"català", 2},   {u"Magyar", 9},
}};

} // namespace

LanguageMenu::LanguageMenu()
{
    for (int language = 1; language <= LanguageCount; ++language) {
        const ItemFacts& facts = itemFacts[static_cast<std::size_t>(language - 1)];
        items_[static_cast<std::size_t>(language - 1)] =
            LanguageMenuItem{QStringLiteral("SpTBXLang%1").arg(language), QString::fromUtf16(facts.caption),
                             language, facts.place};
    }
}

const LanguageMenuItem& LanguageMenu::item(int language) const
{
    Q_ASSERT(isLanguageNumber(language));
    return items_[static_cast<std::size_t>(language - 1)];
}

std::vector<LanguageMenuItem> LanguageMenu::inSubmenuOrder() const
{
    std::vector<LanguageMenuItem> ordered(items_.begin(), items_.end());
    std::ranges::sort(ordered, {}, &LanguageMenuItem::place);
    return ordered;
}

void LanguageMenu::applyMask(const QString& mask)
{
    for (auto& entry : items_)
        entry.enabled = entry.tag <= mask.size() && mask[entry.tag - 1] == u'1';
}

void LanguageMenu::checkOnly(int language)
{
    for (auto& entry : items_)
        entry.checked = entry.tag == language;
}

bool LanguageMenu::click(int language)
{
    if (!isLanguageNumber(language))
        return false;
    LanguageMenuItem& clicked = items_[static_cast<std::size_t>(language - 1)];
    if (!clicked.enabled)
        return false;
    if (clicked.checked)
        clicked.checked = false;
    else
        checkOnly(language);
    return true;
}

LanguageSelection::LanguageSelection(LanguageDispatcher& dispatcher, const MessageSource& mainWindowMessages)
    : dispatcher_(dispatcher), messages_(mainWindowMessages)
{
}

void LanguageSelection::startUp(const LanguageSettingsReader& settings, const QString& dataDir,
                                QLocale::Language systemLanguage)
{
    languageIndex_ = settings.readInteger(QStringLiteral("Language"), 0);
    if (languageIndex_ == 0)
        initialiseLanguage(systemLanguage);

    dispatcher_.setFileName(languageFilePath(dataDir));
    if (QFileInfo::exists(dispatcher_.fileName()))
        dispatcher_.loadAllFromFile(dispatcher_.fileName());

    languageMask_ = extendedMask(settings.readString(QStringLiteral("Languages"),
                                                     QString::fromLatin1(DefaultLanguageMask)));
    menu_.applyMask(languageMask_);
    menu_.checkOnly(languageIndex_);

    dispatcher_.setActiveLanguage(languageIndex_);
}

void LanguageSelection::initialiseLanguage(QLocale::Language systemLanguage)
{
    languageIndex_ = initialLanguage(systemLanguage);
}

void LanguageSelection::click(int tag)
{
    if (!menu_.click(tag))
        return;
    languageIndex_ = tag;
    dispatcher_.setActiveLanguage(languageIndex_);
}

QString LanguageSelection::yourLanguageMessage() const
{
    return messages_.Text(QStringLiteral("IDS_1")) + QStringLiteral("\r\n") + messages_.Text(QStringLiteral("IDS_2"));
}

QString LanguageSelection::languageFilePath(const QString& dataDir)
{
    return QDir(dataDir).filePath(QStringLiteral("Quelta.sib"));
}

QString LanguageSelection::extendedMask(const QString& stored)
{
    return stored.size() >= LanguageCount ? stored : stored + QString(LanguageCount - stored.size(), u'0');
}
