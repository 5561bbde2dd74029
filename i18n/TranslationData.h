#pragma once
#include "Languages.h"

#include <QHash>
#include <QString>

#include <array>
#include <optional>
#include <vector>

// The four tables of translation data. Captions are keyed by component name, item lists by
// component name + ".Items" (items separated by commas), standard dialog texts by their English
// text without the accelerator mark, strings by message identifier ("IDS_104").
enum class Table { Captions, Items, DialogTexts, Strings };
inline constexpr std::array<Table, 4> AllTables = {Table::Captions, Table::Items, Table::DialogTexts,
                                                   Table::Strings};

// The name of the table in the data file ("Captions", "Items", "DialogTexts", "Strings").
QString tableName(Table table);
std::optional<Table> tableFromName(const QString& name);

using LanguageTexts = std::array<QString, LanguageCount>;

struct TranslationEntry {
    QString key;
    LanguageTexts texts;  // index 0 is language 1 (English)
    int line = 0;         // where the entry stood in its file; 0 when it came from no file

    const QString& text(int language) const { return texts[static_cast<std::size_t>(language - 1)]; }
};

// One table: its entries in the order of the file, and lookup by key.
class TranslationTable {
public:
    // False, and nothing changes, when the key is already there.
    bool insert(TranslationEntry entry);
    // Replaces the texts of an existing key; false when the table has no such key.
    bool replaceTexts(const TranslationEntry& entry);

    const TranslationEntry* find(const QString& key) const;
    const std::vector<TranslationEntry>& entries() const { return entries_; }
    QStringList keys() const;

    // The text in that language, the English one where it is empty; empty for an unknown key.
    QString text(const QString& key, int language) const;
    int filledCount(int language) const;

private:
    std::vector<TranslationEntry> entries_;
    QHash<QString, std::size_t> index_;
};

// A complete set of translation data: what one data file holds, or what one form owns.
class TranslationData {
public:
    TranslationTable& table(Table which) { return tables_[static_cast<std::size_t>(which)]; }
    const TranslationTable& table(Table which) const { return tables_[static_cast<std::size_t>(which)]; }

    QString text(Table which, const QString& key, int language) const
    {
        return table(which).text(key, language);
    }

private:
    std::array<TranslationTable, AllTables.size()> tables_;
};
