#include "TranslationReader.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>

namespace {

constexpr int ColumnCount = 1 + LanguageCount;

QString columnName(int column)
{
    return column == 0 ? QStringLiteral("key") : languageName(column);
}

// Undoes the escapes of a text column, or says what is wrong with it.
std::optional<QString> unescape(QStringView raw, QString& problem)
{
    QString text;
    text.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c != u'\\') {
            text.append(c);
            continue;
        }
        if (++i == raw.size()) {
            problem = QStringLiteral("a backslash ends the text (write \\\\ for a backslash)");
            return std::nullopt;
        }
        switch (raw[i].unicode()) {
        case u'n': text.append(u'\n'); break;
        case u'r': text.append(u'\r'); break;
        case u't': text.append(u'\t'); break;
        case u'\\': text.append(u'\\'); break;
        default:
            problem = QStringLiteral("unknown escape \\%1 (known: \\n \\r \\t \\\\)").arg(raw[i]);
            return std::nullopt;
        }
    }
    return text;
}

bool hasControlCharacter(const QString& line)
{
    return std::any_of(line.cbegin(), line.cend(), [](QChar c) { return c.unicode() < 0x20 && c != u'\t'; });
}

class Reader {
public:
    ReadResult read(QByteArrayView bytes)
    {
        if (bytes.startsWith("\xEF\xBB\xBF"))
            bytes = bytes.sliced(3);
        const QList<QByteArrayView> lines = splitLines(bytes);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            line_ = static_cast<int>(i) + 1;
            if (!readLine(lines[i]))
                return fail();
        }
        if (!ended_) {
            line_ = static_cast<int>(lines.size()) + 1;
            problem_ = QStringLiteral("the file ends without its [End] line; it may have been cut short");
            return fail();
        }
        return {std::move(data_), std::nullopt};
    }

private:
    static QList<QByteArrayView> splitLines(QByteArrayView bytes)
    {
        QList<QByteArrayView> lines;
        qsizetype start = 0;
        while (start < bytes.size()) {
            qsizetype end = bytes.indexOf('\n', start);
            if (end < 0)
                end = bytes.size();
            QByteArrayView line = bytes.sliced(start, end - start);
            if (line.endsWith('\r'))
                line.chop(1);
            lines.append(line);
            start = end + 1;
        }
        return lines;
    }

    ReadResult fail() const { return {std::nullopt, ReadError{line_, problem_}}; }

    bool readLine(QByteArrayView bytes)
    {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString line = decoder.decode(bytes);
        if (decoder.hasError()) {
            problem_ = QStringLiteral("the text is not valid UTF-8");
            return false;
        }
        if (hasControlCharacter(line)) {
            problem_ = QStringLiteral("control character in the text (is this a text file?)");
            return false;
        }
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
            return true;
        if (ended_) {
            problem_ = QStringLiteral("text after the [End] line");
            return false;
        }
        if (trimmed.startsWith(u'[') && trimmed.endsWith(u']'))
            return readTableLine(trimmed.sliced(1, trimmed.size() - 2).trimmed());
        return readEntry(line);
    }

    bool readTableLine(const QString& name)
    {
        if (name == QLatin1String("End")) {
            ended_ = true;
            return true;
        }
        table_ = tableFromName(name);
        if (!table_) {
            problem_ = QStringLiteral("unknown table [%1] (known: [Captions], [Items], [DialogTexts], "
                                      "[Strings], [End])")
                           .arg(name);
            return false;
        }
        return true;
    }

    bool readEntry(const QString& line)
    {
        if (!table_) {
            problem_ = QStringLiteral("entry before the first table line such as [Captions]");
            return false;
        }
        const QList<QStringView> columns = QStringView(line).split(u'\t');
        if (columns.size() != ColumnCount) {
            problem_ = QStringLiteral("%1 columns instead of %2 (the key and %3 languages, separated by tabs)")
                           .arg(columns.size())
                           .arg(ColumnCount)
                           .arg(LanguageCount);
            return false;
        }
        TranslationEntry entry;
        entry.key = columns[0].toString();
        entry.line = line_;
        if (entry.key.trimmed().isEmpty() || entry.key.trimmed() != entry.key) {
            problem_ = QStringLiteral("the key is empty or starts or ends with a blank");
            return false;
        }
        for (int column = 1; column < ColumnCount; ++column) {
            QString problem;
            auto text = unescape(columns[column], problem);
            if (!text) {
                problem_ = QStringLiteral("%1 text of '%2': %3").arg(columnName(column), entry.key, problem);
                return false;
            }
            entry.texts[static_cast<std::size_t>(column - 1)] = std::move(*text);
        }
        return checkEntry(entry) && insert(std::move(entry));
    }

    bool checkEntry(const TranslationEntry& entry)
    {
        if (entry.text(EnglishLanguage).isEmpty()) {
            problem_ = QStringLiteral("the English text of '%1' is empty").arg(entry.key);
            return false;
        }
        if (*table_ != Table::Items)
            return true;
        // The window selects radio items by index, so a list must keep the number of items.
        const qsizetype count = entry.text(EnglishLanguage).count(u',');
        for (int language = 2; language <= LanguageCount; ++language) {
            const QString& text = entry.text(language);
            if (!text.isEmpty() && text.count(u',') != count) {
                problem_ = QStringLiteral("the %1 items of '%2' are %3 instead of %4")
                               .arg(languageName(language), entry.key)
                               .arg(text.count(u',') + 1)
                               .arg(count + 1);
                return false;
            }
        }
        return true;
    }

    bool insert(TranslationEntry entry)
    {
        TranslationTable& table = data_.table(*table_);
        if (const TranslationEntry* const earlier = table.find(entry.key)) {
            problem_ = QStringLiteral("'%1' is already given on line %2").arg(entry.key).arg(earlier->line);
            return false;
        }
        return table.insert(std::move(entry));
    }

    TranslationData data_;
    std::optional<Table> table_;
    bool ended_ = false;
    int line_ = 0;
    QString problem_;
};

} // namespace

QString ReadError::where() const
{
    return line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(reason) : reason;
}

ReadResult readTranslations(QByteArrayView bytes)
{
    return Reader().read(bytes);
}

ReadResult readTranslationFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, ReadError{0, QStringLiteral("cannot be read: %1").arg(file.errorString())}};
    const QByteArray bytes = file.read(MaxTranslationFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        return {std::nullopt, ReadError{0, QStringLiteral("cannot be read: %1").arg(file.errorString())}};
    if (bytes.size() > MaxTranslationFileSize)
        return {std::nullopt, ReadError{0, QStringLiteral("larger than %1 bytes").arg(MaxTranslationFileSize)}};
    return readTranslations(bytes);
}
