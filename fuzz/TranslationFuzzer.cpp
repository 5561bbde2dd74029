// A language file from a translator's editor or from anywhere else: read it, load it into the
// translation components of both forms and show every language.
#include "FuzzCheck.h"
#include "LanguageDispatcher.h"
#include "RecordingForm.h"
#include "TranslationComponent.h"
#include "TranslationReader.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace {

qsizetype lineCount(QByteArrayView bytes)
{
    return bytes.count('\n') + 1;
}

// What the window shows in any language: every caption has a text, every radio group keeps the
// number of its English items.
void checkForm(const RecordingForm& form)
{
    const TranslationData& builtin = builtinTranslations();
    for (const auto& [component, text] : form.captions)
        require(!text.isEmpty(), "a caption shows no text");
    for (const auto& [component, items] : form.items) {
        const QString english = builtin.text(Table::Items, component + QStringLiteral(".Items"), EnglishLanguage);
        require(items.size() == english.count(u',') + 1, "a radio group changed its number of items");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const quint8* data, std::size_t size)
{
    static const QTemporaryDir folder;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    const ReadResult result = readTranslations(bytes);
    require(result.data.has_value() != result.error.has_value(), "neither data nor error, or both");
    if (result.error) {
        require(result.error->line >= 1 && result.error->line <= lineCount(bytes) + 1, "error on a line that is not there");
        require(!result.error->reason.isEmpty(), "an error without a reason");
    } else {
        for (const Table table : AllTables)
            for (const TranslationEntry& entry : result.data->table(table).entries()) {
                require(!entry.key.isEmpty() && !entry.text(EnglishLanguage).isEmpty(), "an entry without key or English");
                require(result.data->table(table).find(entry.key) == &entry, "a key that does not find its entry");
            }
    }

    const QString path = folder.filePath(QStringLiteral("Quelta.sib"));
    {
        QFile file(path);
        require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the language file");
        file.write(bytes.data(), bytes.size());
    }
    LanguageDispatcher dispatcher;
    RecordingForm window;
    TranslationComponent windowTexts(FormOwner::MainWindow, &window);
    TranslationComponent linkTexts(FormOwner::LinkController);
    dispatcher.link(windowTexts);
    dispatcher.link(linkTexts);
    const std::optional<ReadError> error = dispatcher.loadAllFromFile(path);
    require(error.has_value() == result.error.has_value(), "the file reads differently from its bytes");
    // English shows every empty text, one other language chosen by the input shows the rest:
    // all sixteen go through the same code, and showing each would cost most of the time.
    for (const int language : {2 + int(size % (LanguageCount - 1)), EnglishLanguage}) {
        dispatcher.setActiveLanguage(language);
        checkForm(window);
        require(!linkTexts.Text(QStringLiteral("IDS_104")).isEmpty(), "a message of the link controller is empty");
        require(!windowTexts.dialogText(QStringLiteral("OK")).isEmpty(), "the OK button has no text");
    }
    return 0;
}
