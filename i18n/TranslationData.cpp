#include "TranslationData.h"

#include <algorithm>

QString tableName(Table table)
{
    switch (table) {
    case Table::Captions: return QStringLiteral("Captions");
    case Table::Items: return QStringLiteral("Items");
    case Table::DialogTexts: return QStringLiteral("DialogTexts");
    case Table::Strings: return QStringLiteral("Strings");
    }
    return {};
}

std::optional<Table> tableFromName(const QString& name)
{
    for (const Table table : AllTables)
        if (tableName(table) == name)
            return table;
    return std::nullopt;
}

bool TranslationTable::insert(TranslationEntry entry)
{
    if (index_.contains(entry.key))
        return false;
    index_.insert(entry.key, entries_.size());
    entries_.push_back(std::move(entry));
    return true;
}

bool TranslationTable::replaceTexts(const TranslationEntry& entry)
{
    const auto found = index_.constFind(entry.key);
    if (found == index_.cend())
        return false;
    auto& target = entries_[*found];
    target.texts = entry.texts;
    target.line = entry.line;
    return true;
}

const TranslationEntry* TranslationTable::find(const QString& key) const
{
    const auto found = index_.constFind(key);
    return found == index_.cend() ? nullptr : &entries_[*found];
}

QStringList TranslationTable::keys() const
{
    QStringList result;
    result.reserve(static_cast<qsizetype>(entries_.size()));
    for (const auto& entry : entries_)
        result.append(entry.key);
    return result;
}

QString TranslationTable::text(const QString& key, int language) const
{
    const TranslationEntry* const entry = find(key);
    if (entry == nullptr)
        return {};
    if (isLanguageNumber(language) && !entry->text(language).isEmpty())
        return entry->text(language);
    return entry->text(EnglishLanguage);
}

int TranslationTable::filledCount(int language) const
{
    if (!isLanguageNumber(language))
        return 0;
    return static_cast<int>(std::count_if(entries_.begin(), entries_.end(),
                                          [language](const auto& e) { return !e.text(language).isEmpty(); }));
}
