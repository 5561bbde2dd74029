#include "LanguageDispatcher.h"

#include "BuiltinTranslations.h"
#include "TranslationComponent.h"

#include <QFileInfo>

#include <algorithm>

LanguageDispatcher::LanguageDispatcher(LogSink log) : log_(std::move(log)) {}

LanguageDispatcher::~LanguageDispatcher()
{
    for (TranslationComponent* const component : components_)
        component->dispatcher_ = nullptr;
}

void LanguageDispatcher::setActiveLanguage(int language)
{
    if (!isLanguageNumber(language) || language == active_)
        return;
    active_ = language;
    for (TranslationComponent* const component : components_)
        component->applyLanguage(active_);
}

void LanguageDispatcher::setFileName(const QString& path)
{
    fileName_ = path;
}

std::optional<ReadError> LanguageDispatcher::loadAllFromFile(const QString& path)
{
    if (auto error = readFile(path))
        return error;
    for (TranslationComponent* const component : components_) {
        component->loadFrom(*fileData_);
        component->applyLanguage(active_);
    }
    return std::nullopt;
}

void LanguageDispatcher::link(TranslationComponent& component)
{
    if (component.dispatcher_ != nullptr)
        component.dispatcher_->unlink(component);
    component.dispatcher_ = this;
    components_.push_back(&component);
    if (!fileName_.isEmpty() && QFileInfo::exists(fileName_)) {
        if (readPath_ != fileName_)
            readFile(fileName_);
        if (fileData_)
            component.loadFrom(*fileData_);
    }
    component.applyLanguage(active_);
}

void LanguageDispatcher::unlink(TranslationComponent& component)
{
    std::erase(components_, &component);
    component.dispatcher_ = nullptr;
}

std::optional<ReadError> LanguageDispatcher::readFile(const QString& path)
{
    ReadResult result = readTranslationFile(path);
    readPath_ = path;
    fileData_ = std::move(result.data);
    if (result.error) {
        if (log_)
            log_(QStringLiteral("Language file %1 not used, %2; the built-in translations stay in use")
                     .arg(path, result.error->where()));
        return result.error;
    }
    reportIgnoredEntries(path, *fileData_);
    return std::nullopt;
}

void LanguageDispatcher::reportIgnoredEntries(const QString& path, const TranslationData& data) const
{
    QStringList unknown;
    QStringList otherCount;
    for (const Table table : AllTables)
        for (const TranslationEntry& entry : data.table(table).entries()) {
            const QString where = QStringLiteral("'%1' (line %2)").arg(entry.key).arg(entry.line);
            switch (fitOfFileEntry(table, entry)) {
            case EntryFit::UnknownKey: unknown.append(where); break;
            case EntryFit::OtherItemCount: otherCount.append(where); break;
            case EntryFit::Fits: break;
            }
        }
    if (!log_)
        return;
    if (!unknown.isEmpty())
        log_(QStringLiteral("Language file %1: not translatable here, ignored: %2").arg(path, unknown.join(u", ")));
    if (!otherCount.isEmpty())
        log_(QStringLiteral("Language file %1: not as many items as the window has, ignored: %2")
                 .arg(path, otherCount.join(u", ")));
}
