#pragma once
#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

// An INI file read and written key by key, like the Windows private profile functions: every
// read looks at the file as it is now, every write goes to disk at once and changes only the line
// of that key, so comments, blank lines, other sections and the order of keys survive.
// Section and key names compare without regard to case.
class ProfileFile {
public:
    explicit ProfileFile(QString path) : path_(std::move(path)) {}
    const QString& path() const { return path_; }

    // The value without surrounding blanks (and without one pair of enclosing quotes); the
    // default when the file, the section or the key is missing. A key with nothing after "="
    // reads as empty, not as the default.
    QString readString(const QString& section, const QString& key, const QString& defaultValue) const;
    // Decimal with an optional sign, or hexadecimal after "0x"; any other text is the default.
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    // An integer that is not 0; "true" is not an integer and reads as the default.
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;

    // False when the file cannot be written or the names cannot be stored in a profile file.
    // The file is created when missing; its folder is not.
    bool writeString(const QString& section, const QString& key, const QString& value);
    bool writeInteger(const QString& section, const QString& key, int value);
    // "1" or "0".
    bool writeBool(const QString& section, const QString& key, bool value);

private:
    QString path_;
};

// The text of a profile file, apart from the file system: pure functions of the file's bytes,
// safe on any input (the file may be damaged or not an INI file at all).
namespace profile {

struct Line {
    enum class Kind { Blank, Comment, Section, Entry, Junk };
    Kind kind = Kind::Blank;
    qsizetype start = 0;      // first byte, after a UTF-8 BOM on the first line
    qsizetype end = 0;        // one past the last byte before the line ending
    qsizetype next = 0;       // start of the following line; equals end when unterminated
    qsizetype valueStart = 0; // Entry: after "=" and the blanks that follow it
    QString name;             // Section and Entry: the trimmed name
};

std::vector<Line> parse(const QByteArray& text);

// What a reader of the file finds; nothing when the section or the key is missing.
std::optional<QString> lookup(const QByteArray& text, const QString& section, const QString& key);

// The file's bytes after writing the key; nothing when the names cannot be stored.
std::optional<QByteArray> withValue(const QByteArray& text, const QString& section, const QString& key,
                                    const QString& value);

// Decimal with an optional sign, or "0x"/"0X" and hexadecimal digits, within the range of int.
std::optional<int> toInteger(QStringView text);

// Names that read back as themselves: not empty, no surrounding blanks, no line breaks or NULs,
// no "]" in a section, no "=" in a key, and a key that does not look like a comment or a header.
bool isValidName(const QString& section, const QString& key);
bool isStorable(const QString& section, const QString& key, const QString& value);

} // namespace profile
