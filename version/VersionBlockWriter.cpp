#include "VersionBlockWriter.h"

#include <QStringList>
#include <QtEndian>

namespace verinfo {

namespace {

void appendWord(QByteArray& out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void appendDword(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void appendUtf16(QByteArray& out, const QString& text)
{
    for (const QChar c : text)
        appendWord(out, c.unicode());
    appendWord(out, 0);
}

void padToDword(QByteArray& out)
{
    while (out.size() % 4 != 0)
        out.append('\0');
}

quint32 packed(quint16 high, quint16 low)
{
    return (quint32(high) << 16) | low;
}

} // namespace

BlockNode textValue(const QString& key, const QString& text)
{
    QByteArray value;
    appendUtf16(value, text);
    return {key, true, value, {}};
}

BlockNode binaryValue(const QString& key, const QByteArray& bytes)
{
    return {key, false, bytes, {}};
}

BlockNode group(const QString& key, std::vector<BlockNode> children)
{
    return {key, true, {}, std::move(children)};
}

QByteArray serializeBlock(const BlockNode& node)
{
    QByteArray out(6, '\0');
    appendUtf16(out, node.key);
    padToDword(out);
    out.append(node.value);
    for (const BlockNode& child : node.children) {
        padToDword(out);
        out.append(serializeBlock(child));
    }
    const auto valueLength = node.isText ? node.value.size() / 2 : node.value.size();
    qToLittleEndian(quint16(out.size()), out.data());
    qToLittleEndian(quint16(valueLength), out.data() + 2);
    qToLittleEndian(quint16(node.isText ? 1 : 0), out.data() + 4);
    return out;
}

QByteArray fixedFileInfo(const VersionFacts& facts)
{
    constexpr quint32 kSignature = 0xFEEF04BD;
    constexpr quint32 kStructureVersion = 0x00010000;
    constexpr quint32 kFlagsMask = 0x3F;
    constexpr quint32 kApplication = 1;
    const auto& file = facts.fileVersion;
    const auto& product = facts.productVersion;
    QByteArray out;
    for (const quint32 value : {kSignature, kStructureVersion, packed(file[0], file[1]), packed(file[2], file[3]),
                                packed(product[0], product[1]), packed(product[2], product[3]), kFlagsMask,
                                quint32(0), facts.fileOs, kApplication, quint32(0), quint32(0), quint32(0)})
        appendDword(out, value);
    return out;
}

BlockNode versionInfo(const VersionFacts& facts)
{
    std::vector<BlockNode> strings;
    for (const auto& [name, value] : facts.strings)
        strings.push_back(textValue(name, value));
    const QString table = QString::asprintf("%04X%04X", unsigned(facts.language), unsigned(facts.codePage));
    QByteArray translation;
    appendWord(translation, facts.language);
    appendWord(translation, facts.codePage);

    std::vector<BlockNode> parts;
    parts.push_back(group(QStringLiteral("StringFileInfo"), {group(table, std::move(strings))}));
    parts.push_back(group(QStringLiteral("VarFileInfo"), {binaryValue(QStringLiteral("Translation"), translation)}));
    BlockNode root = binaryValue(QStringLiteral("VS_VERSION_INFO"), fixedFileInfo(facts));
    root.children = std::move(parts);
    return root;
}

std::array<quint16, 4> versionNumbers(const QString& text)
{
    std::array<quint16, 4> numbers = {};
    const QStringList parts = text.split(u'.');
    for (qsizetype i = 0; i < parts.size() && i < 4; ++i) {
        bool ok = false;
        const uint value = parts[i].toUInt(&ok);
        numbers[std::size_t(i)] = ok && value <= 0xFFFF ? quint16(value) : 0;
    }
    return numbers;
}

} // namespace verinfo
