#include "MessageTable.h"

#include "BuiltinTranslations.h"

QString englishMessage(const QString& id)
{
    return builtinTranslations().text(Table::Strings, id, EnglishLanguage);
}

QString EnglishMessages::Text(const QString& id) const
{
    return englishMessage(id);
}
