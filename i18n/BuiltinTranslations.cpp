#include "BuiltinTranslations.h"

#include "TranslationReader.h"

#include <QFile>
#include <QtGlobal>

namespace {

TranslationData readBuiltin()
{
    QFile file(QStringLiteral(":/i18n/translations.sib"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("The built-in translation data is missing from the program");
    ReadResult result = readTranslations(file.readAll());
    // The data is built into the program and its tests read it: failing here means a broken build.
    if (result.error)
        qFatal("Built-in translation data, %s", qPrintable(result.error->where()));
    return std::move(*result.data);
}

// "IDS_104" -> 104; -1 when the key is no message identifier.
int messageNumber(const QString& key)
{
    if (!key.startsWith(QLatin1String("IDS_")))
        return -1;
    bool ok = false;
    const int number = key.sliced(4).toInt(&ok);
    return ok ? number : -1;
}

} // namespace

const TranslationData& builtinTranslations()
{
    static const TranslationData data = readBuiltin();
    return data;
}

bool ownsEntry(FormOwner owner, Table table, const QString& key)
{
    if (table != Table::Strings)
        return owner == FormOwner::MainWindow;
    const int number = messageNumber(key);
    if (number < 0)
        return false;
    return (number < 100) == (owner == FormOwner::MainWindow);
}

EntryFit fitOfFileEntry(Table table, const TranslationEntry& entry)
{
    const TranslationEntry* const builtin = builtinTranslations().table(table).find(entry.key);
    if (builtin == nullptr)
        return EntryFit::UnknownKey;
    // The window selects radio items by index: a list must keep the number of items it was
    // designed with, whatever the file's own English says.
    if (table == Table::Items
        && entry.text(EnglishLanguage).count(u',') != builtin->text(EnglishLanguage).count(u','))
        return EntryFit::OtherItemCount;
    return EntryFit::Fits;
}

TranslationData shareOf(const TranslationData& data, FormOwner owner)
{
    TranslationData share;
    for (const Table table : AllTables)
        for (const TranslationEntry& entry : data.table(table).entries())
            if (ownsEntry(owner, table, entry.key))
                share.table(table).insert(entry);
    return share;
}
