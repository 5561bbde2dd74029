#include "VersionImage.h"

#include "VersionErrors.h"
#include "VersionSection.h"

#include <QtEndian>

#include <cstring>
#include <vector>

namespace verinfo {

namespace {

// A block's length is a 16-bit field, so no container needs to give us more than this.
constexpr quint64 kMaxBlock = 0xFFFF;

template <typename T>
T little(const QByteArray& bytes, qsizetype at)
{
    return qFromLittleEndian<T>(bytes.constData() + at);
}

// Cuts the container's bytes down to the block's own length.
LocatedBlock blockFrom(const QByteArray& bytes)
{
    if (bytes.size() < 6)
        return {InvalidData, {}};
    const quint16 length = little<quint16>(bytes, 0);
    if (length < 6 || length > bytes.size())
        return {InvalidData, {}};
    return {NoError, bytes.first(length)};
}

// ---------------------------------------------------------------- ELF

class ElfReader {
public:
    explicit ElfReader(const ByteSource& image) : image_(image) {}

    LocatedBlock locate()
    {
        const auto ident = image_.read(0, 16);
        if (!ident)
            return {BadExeFormat, {}};
        wide_ = (*ident)[4] == 2;
        bigEndian_ = (*ident)[5] == 2;
        if (((*ident)[4] != 1 && !wide_) || ((*ident)[5] != 1 && !bigEndian_))
            return {BadExeFormat, {}};

        const auto header = image_.read(0, wide_ ? 64 : 52);
        if (!header)
            return {BadExeFormat, {}};
        const quint64 tableOffset = wide_ ? number(*header, 0x28, 8) : number(*header, 0x20, 4);
        const quint64 entrySize = number(*header, wide_ ? 0x3A : 0x2E, 2);
        quint64 count = number(*header, wide_ ? 0x3C : 0x30, 2);
        quint64 namesIndex = number(*header, wide_ ? 0x3E : 0x32, 2);
        if (tableOffset == 0)
            return {NoVersionInfo, {}}; // no section header table
        if (entrySize < (wide_ ? 64u : 40u))
            return {BadExeFormat, {}};
        tableOffset_ = tableOffset;
        entrySize_ = entrySize;

        // Very many sections or a far string table index move into section 0.
        if (count == 0 || namesIndex == 0xFFFF) {
            const auto first = section(0);
            if (!first)
                return {BadExeFormat, {}};
            if (count == 0)
                count = first->size;
            if (namesIndex == 0xFFFF)
                namesIndex = first->link;
        }
        if (count > image_.size() / entrySize || namesIndex >= count)
            return {BadExeFormat, {}};

        const auto names = section(namesIndex);
        if (!names || names->type == kNoBits)
            return {BadExeFormat, {}};
        for (quint64 i = 1; i < count; ++i) {
            const auto s = section(i);
            if (!s)
                return {BadExeFormat, {}};
            if (s->type == kNoBits || s->size == 0 || !hasName(*names, s->name))
                continue;
            const auto bytes = image_.read(s->offset, std::min(s->size, kMaxBlock));
            if (!bytes)
                return {InvalidData, {}};
            return blockFrom(*bytes);
        }
        return {NoVersionInfo, {}};
    }

private:
    static constexpr quint32 kNoBits = 8;

    struct Section {
        quint32 name = 0;
        quint32 type = 0;
        quint64 offset = 0;
        quint64 size = 0;
        quint32 link = 0;
    };

    quint64 number(const QByteArray& bytes, qsizetype at, int width) const
    {
        const char* p = bytes.constData() + at;
        switch (width) {
        case 2: return bigEndian_ ? qFromBigEndian<quint16>(p) : qFromLittleEndian<quint16>(p);
        case 4: return bigEndian_ ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p);
        default: return bigEndian_ ? qFromBigEndian<quint64>(p) : qFromLittleEndian<quint64>(p);
        }
    }

    std::optional<Section> section(quint64 index) const
    {
        if (index > (std::numeric_limits<quint64>::max() - tableOffset_) / entrySize_)
            return std::nullopt;
        const auto e = image_.read(tableOffset_ + index * entrySize_, wide_ ? 64 : 40);
        if (!e)
            return std::nullopt;
        Section s;
        s.name = quint32(number(*e, 0, 4));
        s.type = quint32(number(*e, 4, 4));
        s.offset = wide_ ? number(*e, 24, 8) : number(*e, 16, 4);
        s.size = wide_ ? number(*e, 32, 8) : number(*e, 20, 4);
        s.link = quint32(number(*e, wide_ ? 40 : 24, 4));
        return s;
    }

    bool hasName(const Section& names, quint32 nameOffset) const
    {
        constexpr quint64 wanted = sizeof(kVersionSectionName); // with its NUL
        if (nameOffset >= names.size || wanted > names.size - nameOffset)
            return false;
        if (names.offset > std::numeric_limits<quint64>::max() - nameOffset)
            return false;
        const auto bytes = image_.read(names.offset + nameOffset, wanted);
        return bytes && std::memcmp(bytes->constData(), kVersionSectionName, wanted) == 0;
    }

    const ByteSource& image_;
    bool wide_ = false;
    bool bigEndian_ = false;
    quint64 tableOffset_ = 0;
    quint64 entrySize_ = 0;
};

// ---------------------------------------------------------------- PE

class PeReader {
public:
    explicit PeReader(const ByteSource& image) : image_(image) {}

    LocatedBlock locate()
    {
        const auto dos = image_.read(0, 64);
        if (!dos)
            return {BadExeFormat, {}};
        const quint64 peOffset = little<quint32>(*dos, 0x3C);
        const auto coff = image_.read(peOffset, 24);
        if (!coff || !coff->startsWith(QByteArrayView("PE\0\0", 4)))
            return {BadExeFormat, {}};
        const quint16 sectionCount = little<quint16>(*coff, 6);
        const quint16 optionalSize = little<quint16>(*coff, 20);
        const auto optional = image_.read(peOffset + 24, optionalSize);
        if (!optional || optionalSize < 2)
            return {BadExeFormat, {}};

        const quint16 magic = little<quint16>(*optional, 0);
        if (magic != 0x10B && magic != 0x20B)
            return {BadExeFormat, {}};
        const qsizetype directories = magic == 0x10B ? 96 : 112;
        constexpr int kResourceDirectory = 2;
        const qsizetype resourceEntry = directories + kResourceDirectory * 8;
        if (optional->size() < directories)
            return {BadExeFormat, {}};
        const quint32 directoryCount = little<quint32>(*optional, directories - 4);
        if (directoryCount <= kResourceDirectory || optional->size() < resourceEntry + 8)
            return {NoVersionInfo, {}};
        resourceRva_ = little<quint32>(*optional, resourceEntry);
        if (resourceRva_ == 0 || little<quint32>(*optional, resourceEntry + 4) == 0)
            return {NoVersionInfo, {}};

        const auto table = image_.read(peOffset + 24 + optionalSize, quint64(sectionCount) * 40);
        if (!table)
            return {BadExeFormat, {}};
        for (qsizetype at = 0; at < table->size(); at += 40)
            sections_.push_back({little<quint32>(*table, at + 12), little<quint32>(*table, at + 8),
                                 little<quint32>(*table, at + 20), little<quint32>(*table, at + 16)});
        return findVersion();
    }

private:
    static constexpr quint32 kRtVersion = 16;
    static constexpr quint32 kVsVersionInfo = 1;
    static constexpr quint32 kHighBit = 0x80000000;

    struct Section {
        quint32 address;
        quint32 virtualSize;
        quint32 rawOffset;
        quint32 rawSize;
    };
    struct Entry {
        quint32 name;
        quint32 offset;
    };

    // Bytes at a relative virtual address, as long as they lie in one section's file data.
    std::optional<QByteArray> readRva(quint64 rva, quint64 length) const
    {
        for (const Section& s : sections_) {
            const quint64 span = std::max(s.virtualSize, s.rawSize);
            if (rva < s.address || rva - s.address >= span)
                continue;
            const quint64 into = rva - s.address;
            if (into > s.rawSize || length > s.rawSize - into)
                return std::nullopt;
            return image_.read(quint64(s.rawOffset) + into, length);
        }
        return std::nullopt;
    }

    std::optional<std::vector<Entry>> directory(quint32 offset) const
    {
        const quint64 at = quint64(resourceRva_) + (offset & ~kHighBit);
        const auto head = readRva(at, 16);
        if (!head)
            return std::nullopt;
        const quint64 count = quint64(little<quint16>(*head, 12)) + little<quint16>(*head, 14);
        const auto raw = readRva(at + 16, count * 8);
        if (!raw)
            return std::nullopt;
        std::vector<Entry> entries;
        for (qsizetype i = 0; i < raw->size(); i += 8)
            entries.push_back({little<quint32>(*raw, i), little<quint32>(*raw, i + 4)});
        return entries;
    }

    static const Entry* byId(const std::vector<Entry>& entries, quint32 id)
    {
        for (const Entry& e : entries)
            if ((e.name & kHighBit) == 0 && e.name == id)
                return &e;
        return nullptr;
    }

    // Type, then name, then language; the tree has exactly these three levels.
    LocatedBlock findVersion() const
    {
        const auto types = directory(0);
        if (!types)
            return {InvalidData, {}};
        const Entry* type = byId(*types, kRtVersion);
        if (!type)
            return {ResourceTypeNotFound, {}};
        if ((type->offset & kHighBit) == 0)
            return {InvalidData, {}};

        const auto names = directory(type->offset);
        if (!names || names->empty())
            return {InvalidData, {}};
        const Entry* name = byId(*names, kVsVersionInfo);
        if (!name)
            name = &names->front();
        if ((name->offset & kHighBit) == 0)
            return {InvalidData, {}};

        const auto languages = directory(name->offset);
        if (!languages || languages->empty() || (languages->front().offset & kHighBit) != 0)
            return {InvalidData, {}};
        const auto data = readRva(quint64(resourceRva_) + languages->front().offset, 16);
        if (!data)
            return {InvalidData, {}};
        const auto bytes = readRva(little<quint32>(*data, 0), std::min<quint64>(little<quint32>(*data, 4), kMaxBlock));
        if (!bytes)
            return {InvalidData, {}};
        return blockFrom(*bytes);
    }

    const ByteSource& image_;
    quint32 resourceRva_ = 0;
    std::vector<Section> sections_;
};

} // namespace

std::optional<QByteArray> BufferSource::read(quint64 offset, quint64 length) const
{
    const quint64 total = size();
    if (offset > total || length > total - offset)
        return std::nullopt;
    return bytes_.sliced(qsizetype(offset), qsizetype(length));
}

LocatedBlock locateVersionBlock(const ByteSource& image)
{
    const auto magic = image.read(0, 4);
    if (magic && magic->startsWith("\x7F" "ELF"))
        return ElfReader(image).locate();
    if (magic && magic->startsWith("MZ"))
        return PeReader(image).locate();
    return {BadExeFormat, {}};
}

} // namespace verinfo
