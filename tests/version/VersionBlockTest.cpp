#include "SampleImages.h"
#include "VersionBlock.h"
#include "VersionBlockWriter.h"

#include <QtEndian>

#include <gtest/gtest.h>

#include <optional>

using verinfo::findSubBlock;
using verinfo::parseVersionBlock;

namespace {

void putWord(QByteArray& bytes, qsizetype at, quint16 value)
{
    qToLittleEndian(value, bytes.data() + at);
}

// Touches every node, so a parse that kept a bad offset shows up under the sanitizers.
qsizetype walk(const verinfo::VersionNode& node)
{
    qsizetype size = node.key.size() + node.text().size();
    for (const auto& child : node.children)
        size += walk(child);
    return size;
}

} // namespace

TEST(VersionBlock, LooksUpPathsLikeTheSystem)
{
    const QByteArray bytes = sample::block({0x0809, 0x04E4, {{"FileVersion", "7.0.7.6"}, {"Comments", ""}}, true});
    const auto root = parseVersionBlock(bytes);
    ASSERT_TRUE(root);

    struct Case {
        const char* path;
        std::optional<QString> text;
    };
    for (const Case& c : {
             Case{"\\StringFileInfo\\080904E4\\FileVersion", "7.0.7.6"},
             Case{"\\stringfileinfo\\080904e4\\fileversion", "7.0.7.6"}, // names ignore case
             Case{"StringFileInfo\\080904E4\\FileVersion", "7.0.7.6"},
             Case{"\\StringFileInfo\\\\080904E4\\FileVersion", "7.0.7.6"},
             Case{"\\StringFileInfo\\080904E4\\Comments", ""},
             Case{"\\StringFileInfo\\080904E4\\ProductName", std::nullopt},
             Case{"\\StringFileInfo\\040904B0\\FileVersion", std::nullopt},
             Case{"\\StringFileInfo\\080904E4\\FileVersion\\More", std::nullopt},
             Case{"\\StringFileInfo\\080904E", std::nullopt},
         }) {
        const verinfo::VersionNode* node = findSubBlock(*root, QString::fromLatin1(c.path));
        ASSERT_EQ(node != nullptr, c.text.has_value()) << c.path;
        if (node) {
            EXPECT_EQ(node->text(), *c.text) << c.path;
        }
    }

    const verinfo::VersionNode* translation = findSubBlock(*root, u"\\VarFileInfo\\Translation");
    ASSERT_TRUE(translation);
    EXPECT_EQ(translation->value, QByteArray("\x09\x08\xE4\x04", 4));

    // The root's own value is the fixed file information.
    const verinfo::VersionNode* fixed = findSubBlock(*root, u"\\");
    ASSERT_EQ(fixed, &*root);
    ASSERT_EQ(fixed->value.size(), 52);
    EXPECT_EQ(qFromLittleEndian<quint32>(fixed->value.constData()), 0xFEEF04BDu);
    EXPECT_EQ(qFromLittleEndian<quint32>(fixed->value.constData() + 8), 0x00070000u);
    EXPECT_EQ(qFromLittleEndian<quint32>(fixed->value.constData() + 12), 0x00070006u);
}

TEST(VersionBlock, ReadsTheLayoutOfAResourceCompiler)
{
    // VERSIONINFO with FILEVERSION 1,0,0,1, two strings and the translation 0x0809 / 0x04E4,
    // as binutils' windres compiles it.
    const QByteArray bytes = QByteArray::fromHex(
        "3c0134000000560053005f00560045005200530049004f004e005f0049004e0046004f0000000000bd04effe00000100"
        "000001000100000000000100010000003f0000000000000004000400010000000000000000000000000000009c000000"
        "010053007400720069006e006700460069006c00650049006e0066006f00000078000000010030003800300039003000"
        "34004500340000002e000700010043006f006d00700061006e0079004e0061006d006500000000004f00720076006100"
        "6e00650000000000300008000100460069006c006500560065007200730069006f006e000000000031002e0030002e00"
        "30002e0031000000440000000100560061007200460069006c00650049006e0066006f00000000002400040000005400"
        "720061006e0073006c006100740069006f006e00000000000908e404");
    const auto root = parseVersionBlock(bytes);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->key, "VS_VERSION_INFO");
    EXPECT_EQ(findSubBlock(*root, u"\\StringFileInfo\\080904E4\\CompanyName")->text(), "Orvane");
    EXPECT_EQ(findSubBlock(*root, u"\\StringFileInfo\\080904E4\\FileVersion")->text(), "1.0.0.1");
    EXPECT_EQ(findSubBlock(*root, u"\\VarFileInfo\\Translation")->value, QByteArray("\x09\x08\xE4\x04", 4));
    EXPECT_EQ(qFromLittleEndian<quint32>(root->value.constData() + 12), 0x00000001u);

    // Our writer lays the same facts out byte for byte the same way.
    verinfo::VersionFacts facts;
    facts.fileVersion = {1, 0, 0, 1};
    facts.productVersion = facts.fileVersion;
    facts.fileOs = 0x00040004; // VOS_NT_WINDOWS32
    facts.strings = {{"CompanyName", "Orvane"}, {"FileVersion", "1.0.0.1"}};
    EXPECT_EQ(verinfo::serializeBlock(verinfo::versionInfo(facts)).toHex(), bytes.toHex());
}

TEST(VersionBlock, ReadsATextLengthCountedInBytes)
{
    // Some resource compilers store a text value's length in bytes; the text must still come
    // out whole and nothing outside the node may be read.
    auto node = verinfo::textValue("FileVersion", "7.0.7.6");
    QByteArray bytes = verinfo::serializeBlock(verinfo::group("StringFileInfo", {node}));
    const qsizetype child = 36; // 6 + "StringFileInfo\0" = 36, already aligned
    putWord(bytes, child + 2, quint16(node.value.size()));
    const auto root = parseVersionBlock(bytes);
    ASSERT_TRUE(root);
    EXPECT_EQ(findSubBlock(*root, u"FileVersion")->text(), "7.0.7.6");
}

TEST(VersionBlock, EveryTruncationIsRejected)
{
    const QByteArray bytes = sample::block();
    ASSERT_TRUE(parseVersionBlock(bytes));
    for (qsizetype size = 0; size < bytes.size(); ++size)
        EXPECT_FALSE(parseVersionBlock(QByteArrayView(bytes).first(size))) << size;
    // What follows the root's length belongs to whatever holds the block.
    EXPECT_TRUE(parseVersionBlock(bytes + QByteArray(7, '\xFF')));
}

TEST(VersionBlock, LyingLengthsAreRejected)
{
    const QByteArray good = sample::block();
    // Offsets of the nodes in the sample: the root's key and value end at 92, StringFileInfo
    // follows, then the string table at 128 and its first string at 152.
    constexpr qsizetype kStringFileInfo = 92;
    constexpr qsizetype kFirstString = 152;
    ASSERT_EQ(good.mid(kStringFileInfo + 6, 2), QByteArray("S\0", 2));
    ASSERT_EQ(good.mid(kFirstString + 6, 2), QByteArray("C\0", 2));

    struct Case {
        const char* what;
        qsizetype at;
        quint16 value;
    };
    for (const Case& c : {
             Case{"root longer than the bytes", 0, quint16(good.size() + 4)},
             Case{"root shorter than its header", 0, 5},
             Case{"root length zero", 0, 0},
             Case{"child longer than its parent", kStringFileInfo, 0xFFF0},
             Case{"child length zero", kFirstString, 0},
             Case{"child shorter than its header", kFirstString, 3},
             Case{"binary value longer than its node", 2, 0x4000},
         }) {
        QByteArray bad = good;
        putWord(bad, c.at, c.value);
        EXPECT_FALSE(parseVersionBlock(bad)) << c.what;
    }

    QByteArray endlessKey = verinfo::serializeBlock(verinfo::group("Key", {}));
    endlessKey.replace(6, endlessKey.size() - 6, QByteArray(endlessKey.size() - 6, 'A'));
    EXPECT_FALSE(parseVersionBlock(endlessKey)) << "key without its NUL";
}

TEST(VersionBlock, NestingIsBounded)
{
    const auto nested = [](int depth) {
        verinfo::BlockNode node = verinfo::textValue("leaf", "x");
        for (int i = 0; i < depth; ++i) {
            verinfo::BlockNode outer = verinfo::group("n", {});
            outer.children.push_back(std::move(node));
            node = std::move(outer);
        }
        return verinfo::serializeBlock(node);
    };
    EXPECT_TRUE(parseVersionBlock(nested(8)));
    EXPECT_FALSE(parseVersionBlock(nested(9)));
    EXPECT_FALSE(parseVersionBlock(nested(4000)));
}

TEST(VersionBlock, DamagedBytesNeverReadOutside)
{
    // Every byte replaced by a few telling values; the sanitizers catch any read outside.
    const QByteArray good = sample::block();
    for (qsizetype at = 0; at < good.size(); ++at) {
        for (const char value : {'\x00', '\x01', '\x05', '\x7F', '\xFF'}) {
            QByteArray bad = good;
            bad[at] = value;
            if (const auto root = parseVersionBlock(bad)) {
                EXPECT_GE(walk(*root), 0);
                findSubBlock(*root, u"\\StringFileInfo\\080904E4\\FileVersion");
            }
        }
    }
}
