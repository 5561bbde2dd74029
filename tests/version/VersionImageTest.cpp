#include "SampleImages.h"
#include "VersionBlock.h"
#include "VersionErrors.h"
#include "VersionImage.h"
#include "VersionSection.h"

#include <QtEndian>

#include <gtest/gtest.h>

using verinfo::BufferSource;
using verinfo::locateVersionBlock;

namespace {

verinfo::LocatedBlock locate(const QByteArray& image)
{
    return locateVersionBlock(BufferSource(image));
}

} // namespace

TEST(VersionImage, FindsTheVersionSectionOfEveryElfKind)
{
    const QByteArray block = sample::block();
    const std::vector<sample::ElfSection> sections = {
        {".text", QByteArray(13, '\x90')},
        {".quelta_versio", QByteArray("not this")},      // a name that is only a prefix
        {".quelta_version2", QByteArray("nor this")},    // nor one that is longer
        {verinfo::kVersionSectionName, QByteArray(), 8}, // nor one without bytes in the file
        {verinfo::kVersionSectionName, block + QByteArray(3, '\0')},
    };
    struct Case {
        bool wide;
        bool bigEndian;
        bool extendedCount;
    };
    for (const Case c : {Case{true, false, false}, Case{false, false, false}, Case{true, true, false},
                         Case{false, true, false}, Case{true, false, true}}) {
        const auto found = locate(sample::elf({c.wide, c.bigEndian, c.extendedCount, sections}));
        EXPECT_EQ(found.error, verinfo::NoError) << c.wide << c.bigEndian << c.extendedCount;
        EXPECT_EQ(found.block, block) << c.wide << c.bigEndian << c.extendedCount;
    }
}

TEST(VersionImage, FindsTheVersionResourceOfEveryPeKind)
{
    const QByteArray block = sample::block();
    for (const sample::PeLayout shape : {sample::PeLayout{true}, sample::PeLayout{false}, sample::PeLayout{true, true, 16, true}}) {
        const auto found = locate(sample::pe(block, shape));
        EXPECT_EQ(found.error, verinfo::NoError) << shape.wide << shape.namedTypeFirst;
        EXPECT_EQ(found.block, block) << shape.wide << shape.namedTypeFirst;
    }
}

TEST(VersionImage, NamesWhatIsMissing)
{
    const QByteArray block = sample::block();
    QByteArray noSectionTable = sample::elfWithBlock(block);
    noSectionTable.replace(0x28, 8, QByteArray(8, '\0'));
    QByteArray tableCut = sample::elfWithBlock(block);
    tableCut.truncate(tableCut.size() - 10);
    QByteArray sectionBeyond = sample::elfWithBlock(block);
    const qsizetype versionEntry = qFromLittleEndian<qint64>(sectionBeyond.constData() + 0x28) + 2 * 64;
    qToLittleEndian(quint64(1) << 40, sectionBeyond.data() + versionEntry + 24);
    QByteArray peCut = sample::pe(block);
    peCut.truncate(peCut.size() - 0x200 + 100); // the resource tree stays, the block goes

    struct Case {
        const char* what;
        QByteArray image;
        quint32 error;
    };
    for (const Case& c : {
             Case{"empty file", QByteArray(), verinfo::BadExeFormat},
             Case{"text file", QByteArray("Just some text.\n"), verinfo::BadExeFormat},
             Case{"ELF header cut short", sample::elfWithBlock(block).left(30), verinfo::BadExeFormat},
             Case{"ELF without the section", sample::elf({true, false, false, {{".text", "code"}}}), verinfo::NoVersionInfo},
             Case{"ELF without a section table", noSectionTable, verinfo::NoVersionInfo},
             Case{"ELF section table cut off", tableCut, verinfo::BadExeFormat},
             Case{"ELF section bytes beyond the end", sectionBeyond, verinfo::InvalidData},
             Case{"ELF section shorter than the block", sample::elfWithBlock(block.left(block.size() - 4)),
                  verinfo::InvalidData},
             Case{"MZ only", QByteArray("MZ"), verinfo::BadExeFormat},
             Case{"PE without resources", sample::pe(block, {true, false}), verinfo::NoVersionInfo},
             Case{"PE with other resources", sample::pe(block, {true, true, 3}), verinfo::ResourceTypeNotFound},
             Case{"PE block cut off", peCut, verinfo::InvalidData},
         })
        EXPECT_EQ(locate(c.image).error, c.error) << c.what;
}

TEST(VersionImage, DamagedFilesNeverReadOutside)
{
    // Every truncation and every byte set to a few telling values; whatever the locator returns
    // is either an error or a block of the length it claims. The sanitizers catch the rest.
    const QByteArray block = sample::block();
    for (const QByteArray& good : {sample::elfWithBlock(block), sample::elf({false, true, false, {{verinfo::kVersionSectionName, block}}}),
                                   sample::pe(block), sample::pe(block, {false})}) {
        const auto check = [](const QByteArray& image) {
            const auto found = locate(image);
            if (found.error == verinfo::NoError) {
                ASSERT_GE(found.block.size(), 6);
                EXPECT_EQ(qFromLittleEndian<quint16>(found.block.constData()), found.block.size());
                verinfo::parseVersionBlock(found.block);
            } else {
                EXPECT_TRUE(found.block.isEmpty());
            }
        };
        for (qsizetype size = 0; size < good.size(); ++size)
            check(good.left(size));
        for (qsizetype at = 0; at < good.size(); ++at) {
            for (const char value : {'\x00', '\x01', '\x7F', '\x80', '\xFF'}) {
                QByteArray bad = good;
                bad[at] = value;
                check(bad);
            }
        }
    }
}
