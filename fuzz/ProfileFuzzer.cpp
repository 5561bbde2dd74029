// A settings file as a user's editor, a full disk or another program may have left it: parse,
// look up, write a key and read it back.
//
// Input: the section, the key, the value and a second key (each up to its first "|"), a number
// for toInteger (up to the next "|"), and the rest as the file's bytes.
#include "FuzzCheck.h"
#include "ProfileFile.h"

#include <QString>
#include <cstdio>
#include <cstdlib>

namespace {

QByteArray takeField(QByteArrayView& input)
{
    const qsizetype bar = input.indexOf('|');
    const QByteArrayView field = bar < 0 ? input : input.first(bar);
    input = bar < 0 ? QByteArrayView() : input.sliced(bar + 1);
    return field.toByteArray();
}

void checkLines(const QByteArray& text)
{
    qsizetype previous = 0;
    for (const profile::Line& line : profile::parse(text)) {
        require(line.start >= previous && line.start <= line.end && line.end <= line.next
                    && line.next <= text.size(),
                "line bounds out of order");
        if (line.kind == profile::Line::Kind::Entry)
            require(line.valueStart > line.start && line.valueStart <= line.end, "value outside its line");
        previous = line.next;
    }
}

// What a value reads back as, however it was written: no surrounding blanks, one pair of
// enclosing quotes removed.
bool readsBackExactly(const QString& value)
{
    const QByteArray bytes = value.toUtf8();
    if (bytes != bytes.trimmed())
        return false;
    return !(bytes.size() >= 2 && bytes.front() == bytes.back() && (bytes.front() == '"' || bytes.front() == '\''));
}

void checkInteger(const QString& text)
{
    const std::optional<int> value = profile::toInteger(text);
    if (!value)
        return;
    require(profile::toInteger(QString::number(*value)) == value, "an integer does not read back");
    const QString digits = text.trimmed();
    bool ok = false;
    const bool hex = digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    const qlonglong other = hex ? digits.sliced(2).toLongLong(&ok, 16) : digits.toLongLong(&ok, 10);
    require(ok && other == *value, "toInteger disagrees with Qt's reading of the same digits");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const quint8* data, std::size_t size)
{
    QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString section = QString::fromUtf8(takeField(input));
    const QString key = QString::fromUtf8(takeField(input));
    const QString value = QString::fromUtf8(takeField(input));
    const QString otherKey = QString::fromUtf8(takeField(input));
    checkInteger(QString::fromUtf8(takeField(input)));
    const QByteArray before = input.toByteArray();

    checkLines(before);
    const std::optional<QString> was = profile::lookup(before, section, key);
    require(!was || profile::isValidName(section, key), "a key that cannot be stored was found");
    if (was)
        checkInteger(*was);

    const std::optional<QByteArray> after = profile::withValue(before, section, key, value);
    require(after.has_value() == profile::isStorable(section, key, value), "write refused a storable key or took another");
    if (!after)
        return 0;
    checkLines(*after);
    const std::optional<QString> read = profile::lookup(*after, section, key);
    require(read.has_value(), "a written key is not found");
    if (readsBackExactly(value))
        require(*read == value, "a written value reads back changed");
    else
        require(read == profile::lookup(profile::withValue({}, section, key, value).value(), section, key),
                "a value reads back differently in this file than in a new one");
    // Writing one key changes no other.
    if (otherKey.compare(key, Qt::CaseInsensitive) != 0)
        require(profile::lookup(*after, section, otherKey) == profile::lookup(before, section, otherKey),
                "writing a key changed another");
    // Saving the same settings again changes nothing. (A value with leading blanks gains them
    // again on every write, since reading skips the blanks after "="; the program writes none.)
    if (readsBackExactly(value))
        require(profile::withValue(*after, section, key, value) == after, "writing the same value twice changed the file");
    return 0;
}
