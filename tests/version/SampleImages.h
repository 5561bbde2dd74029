#pragma once
#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <utility>
#include <vector>

// Small program files made byte by byte, so each test shows exactly the structure it is about.
namespace sample {

struct BlockContent {
    quint16 language = 0x0809;
    quint16 codePage = 0x04E4;
    std::vector<std::pair<QString, QString>> strings = {{"CompanyName", "Orvane"}, {"FileVersion", "7.0.7.6"}};
    bool translation = true;
};

// A version block with one string table named after the translation.
QByteArray block(const BlockContent& shape = {});

struct ElfSection {
    QByteArray name;
    QByteArray data;
    quint32 type = 1; // SHT_PROGBITS
};

struct ElfLayout {
    bool wide = true;       // ELF64, else ELF32
    bool bigEndian = false;
    bool extendedCount = false; // section count kept in section 0, as for very many sections
    std::vector<ElfSection> sections;
};

QByteArray elf(const ElfLayout& shape);
// An ELF64 file whose version section holds `versionBlock`, between two other sections.
QByteArray elfWithBlock(const QByteArray& versionBlock);

struct PeLayout {
    bool wide = true;         // PE32+, else PE32
    bool resources = true;    // a resource directory at all
    quint32 resourceType = 16; // RT_VERSION
    bool namedTypeFirst = false; // a named resource type before the numbered ones
};

QByteArray pe(const QByteArray& versionBlock, const PeLayout& shape = {});

} // namespace sample
