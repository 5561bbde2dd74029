#include "VersionBlock.h"

#include <QtEndian>

namespace verinfo {

namespace {

// VS_VERSIONINFO -> StringFileInfo -> string table -> string is four levels; a little room for
// unusual writers, but no recursion that crafted input could drive into the stack's end.
constexpr int kMaxDepth = 8;
constexpr qsizetype kHeaderSize = 6; // wLength, wValueLength, wType

constexpr qsizetype alignUp(qsizetype offset)
{
    return (offset + 3) & ~qsizetype(3);
}

quint16 word(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<quint16>(bytes.data() + at);
}

// Parses the node at `start`, which must end at or before `limit`; `next` gets the node's end.
std::optional<VersionNode> parseNode(QByteArrayView block, qsizetype start, qsizetype limit, int depth, qsizetype& next)
{
    if (depth > kMaxDepth || limit - start < kHeaderSize)
        return std::nullopt;
    const qsizetype length = word(block, start);
    const qsizetype valueLength = word(block, start + 2);
    const quint16 type = word(block, start + 4);
    if (length < kHeaderSize || length > limit - start)
        return std::nullopt;
    const qsizetype end = start + length;

    VersionNode node;
    node.isText = type == 1;
    qsizetype at = start + kHeaderSize;
    for (;; at += 2) {
        if (end - at < 2)
            return std::nullopt; // key without its NUL
        const char16_t c = word(block, at);
        if (c == 0)
            break;
        node.key.append(QChar(c));
    }
    at = alignUp(at + 2);

    if (valueLength > 0) {
        if (at > end)
            return std::nullopt;
        qsizetype size = node.isText ? valueLength * 2 : valueLength;
        if (size > end - at) {
            // Some resource compilers count a text value in bytes, not characters; what lies
            // inside the node is still the text. A binary value that overruns is damage.
            if (!node.isText)
                return std::nullopt;
            size = (end - at) & ~qsizetype(1);
        }
        node.value = block.sliced(at, size).toByteArray();
        at += size;
    }

    for (at = alignUp(at); end - at >= kHeaderSize; ) {
        qsizetype childEnd = 0;
        auto child = parseNode(block, at, end, depth + 1, childEnd);
        if (!child)
            return std::nullopt;
        node.children.push_back(std::move(*child));
        at = alignUp(childEnd);
    }
    next = end;
    return node;
}

} // namespace

QString VersionNode::text() const
{
    QString out;
    for (qsizetype at = 0; at + 1 < value.size(); at += 2) {
        const char16_t c = qFromLittleEndian<quint16>(value.constData() + at);
        if (c == 0)
            break;
        out.append(QChar(c));
    }
    return out;
}

std::optional<VersionNode> parseVersionBlock(QByteArrayView block)
{
    qsizetype end = 0;
    return parseNode(block, 0, block.size(), 0, end);
}

const VersionNode* findSubBlock(const VersionNode& root, QStringView subBlock)
{
    const VersionNode* node = &root;
    for (const QStringView name : subBlock.tokenize(u'\\', Qt::SkipEmptyParts)) {
        const VersionNode* found = nullptr;
        for (const VersionNode& child : node->children) {
            if (child.key.compare(name, Qt::CaseInsensitive) == 0) {
                found = &child;
                break;
            }
        }
        if (!found)
            return nullptr;
        node = found;
    }
    return node;
}

} // namespace verinfo
