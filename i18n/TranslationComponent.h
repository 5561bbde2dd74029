#pragma once
#include "BuiltinTranslations.h"
#include "MessageSource.h"
#include "TranslationData.h"

#include <QString>

class LanguageDispatcher;
class TranslatableForm;

// One form's translations: its share of the data, the active language, and the form it applies
// that language to. Linked to the language dispatcher, which sets the language and the data.
class TranslationComponent : public MessageSource {
public:
    // form may be null: the link controller has messages but nothing on screen to translate.
    explicit TranslationComponent(FormOwner owner, TranslatableForm* form = nullptr);
    ~TranslationComponent() override;
    TranslationComponent(const TranslationComponent&) = delete;
    TranslationComponent& operator=(const TranslationComponent&) = delete;

    // The message in the active language, the English one where that is empty; empty for an
    // identifier this form does not own.
    QString getTextOrDefault(const QString& id) const;
    QString Text(const QString& id) const override { return getTextOrDefault(id); }

    // A standard dialog text ("OK", "Yes", "Warning": the English text without its accelerator
    // mark) in the active language, with its accelerator ("&Ja"); empty for an unknown text.
    QString dialogText(const QString& english) const;

    int activeLanguage() const { return language_; }
    FormOwner owner() const { return owner_; }
    const TranslationData& data() const { return data_; }

private:
    friend class LanguageDispatcher;

    // The built-in data, with the entries of this form's keys that fileData gives replacing theirs.
    void loadFrom(const TranslationData& fileData);
    void applyLanguage(int language);

    FormOwner owner_;
    TranslatableForm* form_;
    TranslationData data_;
    int language_ = EnglishLanguage;
    LanguageDispatcher* dispatcher_ = nullptr;
};
