#include "ProfileFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <algorithm>
#include <climits>

#ifdef Q_OS_WIN
#include <QDir>
#include <string>
#include <windows.h>
#endif

namespace profile {
namespace {

constexpr QByteArrayView utf8Bom("\xEF\xBB\xBF");

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Searches one line only: scanning on to the end of the file would make a file of many broken
// lines take quadratic time.
qsizetype findInLine(const QByteArray& text, qsizetype from, qsizetype end, char c)
{
    const char* const begin = text.constData();
    const char* const found = std::find(begin + from, begin + end, c);
    return found == begin + end ? -1 : found - begin;
}

// QString::fromUtf8 drops a leading U+FEFF; inside the file it is a character of the name or
// value like any other, and dropping it would keep a written key from ever being found again.
QString decoded(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

QString nameOf(const QByteArray& text, qsizetype from, qsizetype to)
{
    return decoded(text.sliced(from, to - from).trimmed());
}

void classify(const QByteArray& text, Line& line)
{
    qsizetype first = line.start;
    while (first < line.end && isSpace(text[first]))
        ++first;
    if (first == line.end) {
        line.kind = Line::Kind::Blank;
    } else if (text[first] == ';') {
        line.kind = Line::Kind::Comment;
    } else if (text[first] == '[') {
        const qsizetype close = findInLine(text, first + 1, line.end, ']');
        if (close < 0) {
            line.kind = Line::Kind::Junk;
        } else {
            line.kind = Line::Kind::Section;
            line.name = nameOf(text, first + 1, close);
        }
    } else if (const qsizetype equals = findInLine(text, first, line.end, '='); equals >= 0) {
        line.kind = Line::Kind::Entry;
        line.name = nameOf(text, first, equals);
        qsizetype value = equals + 1;
        while (value < line.end && (text[value] == ' ' || text[value] == '\t'))
            ++value;
        line.valueStart = value;
    } else {
        line.kind = Line::Kind::Junk;
    }
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Where a key lives: the first section of that name is the only one read and written, and
// within it the first entry of that key, as with the Windows functions.
struct Place {
    std::optional<std::size_t> header;
    std::optional<std::size_t> entry;
    std::size_t lastContent = 0; // last entry or junk line of the section, else its header
};

Place locate(const std::vector<Line>& lines, const QString& section, const QString& key)
{
    Place place;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        if (line.kind == Line::Kind::Section) {
            if (place.header)
                break;
            if (sameName(line.name, section)) {
                place.header = i;
                place.lastContent = i;
            }
            continue;
        }
        if (!place.header)
            continue;
        if (line.kind == Line::Kind::Entry && sameName(line.name, key)) {
            place.entry = i;
            break;
        }
        // Blank lines and comments at the end of a section usually belong to the next one.
        if (line.kind == Line::Kind::Entry || line.kind == Line::Kind::Junk)
            place.lastContent = i;
    }
    return place;
}

QByteArray lineEnding(const QByteArray& text, const std::vector<Line>& lines)
{
    for (const Line& line : lines) {
        if (line.next > line.end)
            return text.sliced(line.end, line.next - line.end);
    }
    return QByteArrayLiteral("\n");
}

bool isUnterminated(const Line& line)
{
    return line.next == line.end && line.end > line.start;
}

QString unquoted(const QByteArray& value)
{
    const QByteArray trimmed = value.trimmed();
    const bool quoted = trimmed.size() >= 2 && trimmed.front() == trimmed.back()
        && (trimmed.front() == '"' || trimmed.front() == '\'');
    return decoded(quoted ? trimmed.sliced(1, trimmed.size() - 2) : trimmed);
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

bool isCleanText(const QString& text)
{
    return !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')) && !text.contains(QChar(0));
}

} // namespace

std::vector<Line> parse(const QByteArray& text)
{
    std::vector<Line> lines;
    qsizetype pos = text.startsWith(utf8Bom) ? utf8Bom.size() : 0;
    while (pos < text.size()) {
        Line line;
        line.start = pos;
        const qsizetype newline = findInLine(text, pos, text.size(), '\n');
        if (newline < 0) {
            line.end = line.next = text.size();
        } else {
            line.next = newline + 1;
            line.end = newline > pos && text[newline - 1] == '\r' ? newline - 1 : newline;
        }
        classify(text, line);
        pos = line.next;
        lines.push_back(std::move(line));
    }
    return lines;
}

std::optional<QString> lookup(const QByteArray& text, const QString& section, const QString& key)
{
    if (!isValidName(section, key))
        return std::nullopt;
    const std::vector<Line> lines = parse(text);
    const Place place = locate(lines, section, key);
    if (!place.entry)
        return std::nullopt;
    const Line& line = lines[*place.entry];
    return unquoted(text.sliced(line.valueStart, line.end - line.valueStart));
}

std::optional<QByteArray> withValue(const QByteArray& text, const QString& section, const QString& key,
                                    const QString& value)
{
    if (!isStorable(section, key, value))
        return std::nullopt;
    const std::vector<Line> lines = parse(text);
    const Place place = locate(lines, section, key);
    const QByteArray newline = lineEnding(text, lines);

    if (place.entry) {
        // Keep the key as the file spells it and the line's own ending.
        const Line& line = lines[*place.entry];
        return text.first(line.valueStart) + value.toUtf8() + text.sliced(line.end);
    }
    const QByteArray entry = key.toUtf8() + '=' + value.toUtf8() + newline;
    if (place.header) {
        const Line& after = lines[place.lastContent];
        return text.first(after.next) + (isUnterminated(after) ? newline : QByteArray()) + entry
            + text.sliced(after.next);
    }
    QByteArray appended = text;
    if (!lines.empty() && isUnterminated(lines.back()))
        appended += newline;
    return appended + '[' + section.toUtf8() + ']' + newline + entry;
}

std::optional<int> toInteger(QStringView text)
{
    const QStringView digits = text.trimmed();
    const bool hex = digits.size() > 2 && digits[0] == QLatin1Char('0')
        && (digits[1] == QLatin1Char('x') || digits[1] == QLatin1Char('X'));
    if (hex) {
        qint64 value = 0;
        for (const QChar c : digits.sliced(2)) {
            const int digit = hexDigit(c);
            if (digit < 0)
                return std::nullopt;
            value = value * 16 + digit;
            if (value > INT_MAX)
                return std::nullopt;
        }
        return int(value);
    }
    const bool negative = digits.startsWith(QLatin1Char('-'));
    const QStringView magnitude = negative || digits.startsWith(QLatin1Char('+')) ? digits.sliced(1) : digits;
    if (magnitude.isEmpty())
        return std::nullopt;
    const qint64 limit = negative ? -qint64(INT_MIN) : qint64(INT_MAX);
    qint64 value = 0;
    for (const QChar c : magnitude) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
        if (value > limit)
            return std::nullopt;
    }
    return int(negative ? -value : value);
}

bool isValidName(const QString& section, const QString& key)
{
    const bool sectionOk = !section.isEmpty() && section == section.trimmed() && isCleanText(section)
        && !section.contains(QLatin1Char(']'));
    const bool keyOk = !key.isEmpty() && key == key.trimmed() && isCleanText(key) && !key.contains(QLatin1Char('='))
        && !key.startsWith(QLatin1Char(';')) && !key.startsWith(QLatin1Char('['));
    return sectionOk && keyOk;
}

bool isStorable(const QString& section, const QString& key, const QString& value)
{
    return isValidName(section, key) && isCleanText(value);
}

} // namespace profile

#ifdef Q_OS_WIN

namespace {
std::wstring nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}
} // namespace

QString ProfileFile::readString(const QString& section, const QString& key, const QString& defaultValue) const
{
    // An empty name would make the function list the sections or keys instead.
    if (!profile::isValidName(section, key))
        return defaultValue;
    const std::wstring path = nativePath(path_);
    const std::wstring sectionName = section.toStdWString();
    const std::wstring keyName = key.toStdWString();
    const std::wstring fallback = defaultValue.toStdWString();
    std::vector<wchar_t> buffer(256);
    for (;;) {
        const DWORD length = GetPrivateProfileStringW(sectionName.c_str(), keyName.c_str(), fallback.c_str(),
                                                      buffer.data(), DWORD(buffer.size()), path.c_str());
        // A full buffer means the value was cut short.
        if (length + 1 < buffer.size() || buffer.size() >= (1u << 24))
            return QString::fromWCharArray(buffer.data(), int(length));
        buffer.resize(buffer.size() * 2);
    }
}

bool ProfileFile::writeString(const QString& section, const QString& key, const QString& value)
{
    if (!profile::isStorable(section, key, value))
        return false;
    return WritePrivateProfileStringW(section.toStdWString().c_str(), key.toStdWString().c_str(),
                                      value.toStdWString().c_str(), nativePath(path_).c_str())
        != 0;
}

#else

namespace {
// A missing or unreadable file reads as empty, so every key gives its default.
QByteArray contentsOrEmpty(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

QString ProfileFile::readString(const QString& section, const QString& key, const QString& defaultValue) const
{
    return profile::lookup(contentsOrEmpty(path_), section, key).value_or(defaultValue);
}

bool ProfileFile::writeString(const QString& section, const QString& key, const QString& value)
{
    QByteArray before;
    QFile existing(path_);
    if (existing.open(QIODevice::ReadOnly)) {
        before = existing.readAll();
        if (existing.error() != QFileDevice::NoError)
            return false;
    } else if (QFileInfo(path_).exists() || QFileInfo(path_).isSymLink()) {
        // There is a file we cannot read: writing would replace it with a single key.
        return false;
    }
    const std::optional<QByteArray> after = profile::withValue(before, section, key, value);
    if (!after)
        return false;
    // A crash or a full disk leaves the old file, never half of the new one.
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(*after) != after->size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

#endif

int ProfileFile::readInteger(const QString& section, const QString& key, int defaultValue) const
{
    // Parsed here on every system: GetPrivateProfileIntW would read "12abc" as 12.
    return profile::toInteger(readString(section, key, QString())).value_or(defaultValue);
}

bool ProfileFile::readBool(const QString& section, const QString& key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool ProfileFile::writeInteger(const QString& section, const QString& key, int value)
{
    return writeString(section, key, QString::number(value));
}

bool ProfileFile::writeBool(const QString& section, const QString& key, bool value)
{
    return writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}
