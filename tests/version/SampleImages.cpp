#include "SampleImages.h"

#include "VersionBlockWriter.h"
#include "VersionSection.h"

#include <QtEndian>

namespace sample {

namespace {

class Writer {
public:
    explicit Writer(bool bigEndian = false) : bigEndian_(bigEndian) {}

    void put(QByteArray& out, qsizetype at, quint64 value, int width) const
    {
        if (out.size() < at + width)
            out.resize(at + width, '\0');
        for (int i = 0; i < width; ++i) {
            const int shift = 8 * (bigEndian_ ? width - 1 - i : i);
            out[at + i] = char((value >> shift) & 0xFF);
        }
    }

private:
    bool bigEndian_;
};

void alignTo(QByteArray& out, qsizetype alignment)
{
    while (out.size() % alignment != 0)
        out.append('\0');
}

} // namespace

QByteArray block(const BlockContent& shape)
{
    verinfo::VersionFacts facts;
    facts.fileVersion = {7, 0, 7, 6};
    facts.productVersion = facts.fileVersion;
    facts.language = shape.language;
    facts.codePage = shape.codePage;
    facts.strings = shape.strings;
    verinfo::BlockNode root = verinfo::versionInfo(facts);
    if (!shape.translation)
        root.children.pop_back(); // VarFileInfo
    return verinfo::serializeBlock(root);
}

QByteArray elf(const ElfLayout& shape)
{
    const Writer w(shape.bigEndian);
    const qsizetype headerSize = shape.wide ? 64 : 52;
    const qsizetype entrySize = shape.wide ? 64 : 40;

    std::vector<ElfSection> sections = shape.sections;
    ElfSection names{".shstrtab", QByteArray(1, '\0'), 3};
    std::vector<quint32> nameOffsets;
    for (const ElfSection& s : sections) {
        nameOffsets.push_back(quint32(names.data.size()));
        names.data += s.name + '\0';
    }
    nameOffsets.push_back(quint32(names.data.size()));
    names.data += names.name + '\0';
    sections.push_back(names);

    QByteArray out(headerSize, '\0');
    std::vector<qsizetype> offsets;
    for (const ElfSection& s : sections) {
        alignTo(out, 8);
        offsets.push_back(out.size());
        if (s.type != 8) // SHT_NOBITS takes no room in the file
            out += s.data;
    }
    alignTo(out, 8);
    const qsizetype table = out.size();
    const quint64 count = sections.size() + 1; // with the null section
    out.resize(table + qsizetype(count) * entrySize, '\0');
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const qsizetype e = table + qsizetype(i + 1) * entrySize;
        w.put(out, e, nameOffsets[i], 4);
        w.put(out, e + 4, sections[i].type, 4);
        w.put(out, e + (shape.wide ? 24 : 16), quint64(offsets[i]), shape.wide ? 8 : 4);
        w.put(out, e + (shape.wide ? 32 : 20), quint64(sections[i].data.size()), shape.wide ? 8 : 4);
    }

    out[0] = 0x7F;
    out[1] = 'E';
    out[2] = 'L';
    out[3] = 'F';
    out[4] = shape.wide ? 2 : 1;
    out[5] = shape.bigEndian ? 2 : 1;
    out[6] = 1;
    w.put(out, 16, 2, 2);  // executable
    w.put(out, 18, 62, 2); // x86-64
    w.put(out, 20, 1, 4);
    w.put(out, shape.wide ? 0x28 : 0x20, quint64(table), shape.wide ? 8 : 4);
    w.put(out, shape.wide ? 0x34 : 0x28, quint64(headerSize), 2);
    w.put(out, shape.wide ? 0x3A : 0x2E, quint64(entrySize), 2);
    w.put(out, shape.wide ? 0x3C : 0x30, shape.extendedCount ? 0 : count, 2);
    w.put(out, shape.wide ? 0x3E : 0x32, count - 1, 2); // the names come last
    if (shape.extendedCount)
        w.put(out, table + (shape.wide ? 32 : 20), count, shape.wide ? 8 : 4);
    return out;
}

QByteArray elfWithBlock(const QByteArray& versionBlock)
{
    return elf({true, false, false,
                {{".text", QByteArray(40, '\x90')}, {verinfo::kVersionSectionName, versionBlock},
                 {".data", QByteArray("some data")}}});
}

QByteArray pe(const QByteArray& versionBlock, const PeLayout& shape)
{
    const Writer w;
    constexpr qsizetype kPeOffset = 0x40;
    constexpr quint32 kSectionAddress = 0x1000;
    constexpr qsizetype kRawOffset = 0x200;
    const qsizetype optionalSize = shape.wide ? 240 : 224;

    // The resource tree: type -> name -> language -> data entry -> block.
    QByteArray rsrc;
    const int namedTypes = shape.namedTypeFirst ? 1 : 0;
    w.put(rsrc, 12, quint64(namedTypes), 2);
    w.put(rsrc, 14, 1, 2);
    qsizetype at = 16;
    if (shape.namedTypeFirst) {
        w.put(rsrc, at, 0x80000000u | 0x100, 4); // a name string we never read
        w.put(rsrc, at + 4, 0x80000000u | 0x200, 4);
        at += 8;
    }
    const qsizetype names = at + 8;
    w.put(rsrc, at, shape.resourceType, 4);
    w.put(rsrc, at + 4, 0x80000000u | quint64(names), 4);
    w.put(rsrc, names + 14, 1, 2);
    const qsizetype languages = names + 24;
    w.put(rsrc, names + 16, 1, 4); // VS_VERSION_INFO
    w.put(rsrc, names + 20, 0x80000000u | quint64(languages), 4);
    w.put(rsrc, languages + 14, 1, 2);
    const qsizetype dataEntry = languages + 24;
    w.put(rsrc, languages + 16, 0x0809, 4);
    w.put(rsrc, languages + 20, quint64(dataEntry), 4);
    const qsizetype blockAt = dataEntry + 16;
    w.put(rsrc, dataEntry, kSectionAddress + quint64(blockAt), 4);
    w.put(rsrc, dataEntry + 4, quint64(versionBlock.size()), 4);
    rsrc.resize(blockAt);
    rsrc += versionBlock;
    alignTo(rsrc, 0x200);

    QByteArray out(kRawOffset, '\0');
    out[0] = 'M';
    out[1] = 'Z';
    w.put(out, 0x3C, kPeOffset, 4);
    out.replace(kPeOffset, 4, QByteArray("PE\0\0", 4));
    w.put(out, kPeOffset + 4, shape.wide ? 0x8664 : 0x14C, 2);
    w.put(out, kPeOffset + 6, 1, 2); // one section
    w.put(out, kPeOffset + 20, quint64(optionalSize), 2);
    w.put(out, kPeOffset + 22, 0x22, 2);
    const qsizetype optional = kPeOffset + 24;
    w.put(out, optional, shape.wide ? 0x20B : 0x10B, 2);
    const qsizetype directories = optional + (shape.wide ? 112 : 96);
    w.put(out, directories - 4, 16, 4);
    if (shape.resources) {
        w.put(out, directories + 16, kSectionAddress, 4);
        w.put(out, directories + 20, quint64(rsrc.size()), 4);
    }
    const qsizetype section = optional + optionalSize;
    out.replace(section, 8, QByteArray(".rsrc\0\0\0", 8));
    w.put(out, section + 8, quint64(rsrc.size()), 4);
    w.put(out, section + 12, kSectionAddress, 4);
    w.put(out, section + 16, quint64(rsrc.size()), 4);
    w.put(out, section + 20, kRawOffset, 4);
    return out + rsrc;
}

} // namespace sample
