#pragma once
#include "TranslationData.h"
#include "TranslationReader.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

class TranslationComponent;

// Holds the active language and the language file, and passes both on to every linked
// translation component. Reports trouble with the language file as one log line.
class LanguageDispatcher {
public:
    using LogSink = std::function<void(const QString&)>;

    explicit LanguageDispatcher(LogSink log = {});
    ~LanguageDispatcher();
    LanguageDispatcher(const LanguageDispatcher&) = delete;
    LanguageDispatcher& operator=(const LanguageDispatcher&) = delete;

    int activeLanguage() const { return active_; }
    // 1 to 16 and not the active one: every linked component applies it. Anything else is ignored.
    void setActiveLanguage(int language);

    const QString& fileName() const { return fileName_; }
    void setFileName(const QString& path);

    // Replaces the data of every linked component with the file's, then shows the active language
    // from it. A file that cannot be read or is malformed changes nothing: the error is logged
    // and returned.
    std::optional<ReadError> loadAllFromFile(const QString& path);

    // The component takes the active language; when the language file exists, it first loads its
    // data from that file (read once per file, so a bad file is reported once).
    void link(TranslationComponent& component);
    void unlink(TranslationComponent& component);

private:
    std::optional<ReadError> readFile(const QString& path);
    void reportIgnoredEntries(const QString& path, const TranslationData& data) const;

    LogSink log_;
    int active_ = 1;
    QString fileName_;
    std::vector<TranslationComponent*> components_;
    // The last file read: its path and, when it was sound, its data.
    QString readPath_;
    std::optional<TranslationData> fileData_;
};
