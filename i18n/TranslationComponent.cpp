#include "TranslationComponent.h"

#include "LanguageDispatcher.h"
#include "TranslatableForm.h"

namespace {

const QString ItemsSuffix = QStringLiteral(".Items");

} // namespace

TranslationComponent::TranslationComponent(FormOwner owner, TranslatableForm* form)
    : owner_(owner), form_(form), data_(shareOf(builtinTranslations(), owner))
{
}

TranslationComponent::~TranslationComponent()
{
    if (dispatcher_ != nullptr)
        dispatcher_->unlink(*this);
}

QString TranslationComponent::getTextOrDefault(const QString& id) const
{
    return data_.text(Table::Strings, id, language_);
}

QString TranslationComponent::dialogText(const QString& english) const
{
    return data_.text(Table::DialogTexts, english, language_);
}

void TranslationComponent::loadFrom(const TranslationData& fileData)
{
    TranslationData loaded = shareOf(builtinTranslations(), owner_);
    // Only the program's own keys: a name the file adds, such as an excluded component, is dropped,
    // and so is an item list with another number of items than the window's.
    for (const Table table : AllTables)
        for (const TranslationEntry& entry : fileData.table(table).entries())
            if (fitOfFileEntry(table, entry) == EntryFit::Fits)
                loaded.table(table).replaceTexts(entry);
    data_ = std::move(loaded);
}

void TranslationComponent::applyLanguage(int language)
{
    language_ = language;
    if (form_ == nullptr)
        return;
    for (const TranslationEntry& entry : data_.table(Table::Captions).entries())
        form_->setCaption(entry.key, data_.text(Table::Captions, entry.key, language));
    for (const TranslationEntry& entry : data_.table(Table::Items).entries()) {
        if (!entry.key.endsWith(ItemsSuffix))
            continue;
        const QString component = entry.key.chopped(ItemsSuffix.size());
        form_->setItems(component, data_.text(Table::Items, entry.key, language).split(u','));
    }
}
