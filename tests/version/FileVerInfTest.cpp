#include "FileVerInf.h"
#include "SampleImages.h"
#include "VersionBlock.h"
#include "VersionBlockWriter.h"
#include "VersionErrors.h"
#include "VersionImage.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <functional>

namespace {

QString errorText(quint32 code)
{
    return QStringLiteral("Error #%1 - %2").arg(code).arg(verinfo::errorMessage(code));
}

// Sample program files in a folder of their own.
class FileVersionInfoTest : public ::testing::Test {
protected:
    QString file(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir_.filePath(name);
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        return path;
    }

    QString sampleElf(const sample::BlockContent& shape = {}) { return file("sample.elf", sample::elfWithBlock(sample::block(shape))); }

    QTemporaryDir dir_;
    TFileVersionInfo info_;
};

using Property = std::function<QString(TFileVersionInfo&)>;

const std::vector<Property>& everyStringProperty()
{
    static const std::vector<Property> properties = {
        &TFileVersionInfo::StrVerFileComments,      &TFileVersionInfo::StrVerFileCompanyName,
        &TFileVersionInfo::StrVerFileDescription,   &TFileVersionInfo::StrVerFileVersion,
        &TFileVersionInfo::StrVerFileInternalName,  &TFileVersionInfo::StrVerFileCopyright,
        &TFileVersionInfo::StrVerFileTrademarks,    &TFileVersionInfo::StrVerFileOriginalFilename,
        &TFileVersionInfo::StrVerFileProductName,   &TFileVersionInfo::StrVerFileProductVersion,
        &TFileVersionInfo::StrVerFilePrivateBuild,  &TFileVersionInfo::StrVerFileSpecialBuild,
    };
    return properties;
}

} // namespace

TEST_F(FileVersionInfoTest, ReadsTheRunningProgramsOwnVersion)
{
    EXPECT_EQ(info_.StrVerFileVersion(), QUELTA_PROJECT_VERSION);
    EXPECT_EQ(info_.VerFileLangID(), 2057u);
    EXPECT_EQ(info_.VerFileCPID(), 1252u);
    EXPECT_EQ(info_.StrVerFileLang(), "English (United Kingdom)");
    EXPECT_EQ(info_.StrVerFileCP(), "1252  (ANSI - Latin I)");
    EXPECT_EQ(info_.StrVerFileCompanyName(), "Orvane");
    EXPECT_EQ(info_.StrVerFileProductName(), "Quelta");
    EXPECT_EQ(info_.StrVerFileProductVersion(), QUELTA_PROJECT_VERSION);
    EXPECT_EQ(info_.StrVerFileInternalName(), "version_tests");
    EXPECT_EQ(info_.StrVerFileOriginalFilename(), QFileInfo(info_.VerFileName()).fileName());
    EXPECT_EQ(info_.StrVerFileSpecialBuild(), errorText(verinfo::KeyNotFound));
}

TEST_F(FileVersionInfoTest, OwnFixedInformationCarriesTheProjectVersion)
{
    QFile self(info_.VerFileName());
    ASSERT_TRUE(self.open(QIODevice::ReadOnly));
    const auto found = verinfo::locateVersionBlock(verinfo::BufferSource(self.readAll()));
    ASSERT_EQ(found.error, verinfo::NoError);
    const auto root = verinfo::parseVersionBlock(found.block);
    ASSERT_TRUE(root);
    ASSERT_EQ(root->value.size(), 52);
    const auto dword = [&](int index) { return qFromLittleEndian<quint32>(root->value.constData() + 4 * index); };
    const QStringList parts = QString(QUELTA_PROJECT_VERSION).split(u'.');
    ASSERT_EQ(parts.size(), 4);
    EXPECT_EQ(dword(0), 0xFEEF04BDu);
    EXPECT_EQ(dword(2), (parts[0].toUInt() << 16) | parts[1].toUInt());
    EXPECT_EQ(dword(3), (parts[2].toUInt() << 16) | parts[3].toUInt());
}

TEST_F(FileVersionInfoTest, EmptyFileNameMeansTheRunningProgram)
{
    EXPECT_EQ(QFileInfo(info_.VerFileName()).canonicalFilePath(), QFileInfo("/proc/self/exe").canonicalFilePath());

    const QString other = sampleElf();
    info_.setVerFileName(other);
    EXPECT_EQ(info_.VerFileName(), other);
    EXPECT_EQ(info_.StrVerFileVersion(), "7.0.7.6");

    info_.setVerFileName({});
    EXPECT_EQ(info_.StrVerFileVersion(), QUELTA_PROJECT_VERSION);
}

TEST_F(FileVersionInfoTest, NamesLanguageAndCodePageZeroBeforeAnyRead)
{
    EXPECT_EQ(info_.VerFileLangID(), 0u);
    EXPECT_EQ(info_.VerFileCPID(), 0u);
    EXPECT_EQ(info_.StrVerFileLang(), "Language Neutral");
    EXPECT_EQ(info_.StrVerFileCP(), "1252  (ANSI - Latin I)"); // code page 0 is the ANSI code page
}

TEST_F(FileVersionInfoTest, NamesTheTranslationOfTheLastRead)
{
    struct Case {
        quint16 language;
        quint16 codePage;
        const char* languageName;
        const char* codePageName;
    };
    for (const Case& c : {
             Case{0x0809, 0x04E4, "English (United Kingdom)", "1252  (ANSI - Latin I)"},
             Case{0x0409, 0x04B0, "English (United States)", "Unicode"},
             Case{0x0407, 0xFDE9, "German (Germany)", "65001 (UTF-8)"},
             Case{0x040C, 0x04E2, "French (France)", "1250  (ANSI - Central Europe)"},
             Case{0x0000, 0x0000, "Language Neutral", "1252  (ANSI - Latin I)"},
             Case{0x7C00, 0x1267, "Error #87 - The identifier is not known.", "4711"},
         }) {
        info_.setVerFileName(sampleElf({c.language, c.codePage}));
        EXPECT_EQ(info_.StrVerFileVersion(), "7.0.7.6") << c.languageName;
        EXPECT_EQ(info_.VerFileLangID(), c.language);
        EXPECT_EQ(info_.VerFileCPID(), c.codePage);
        EXPECT_EQ(info_.StrVerFileLang(), c.languageName);
        EXPECT_EQ(info_.StrVerFileCP(), c.codePageName);
    }
}

TEST_F(FileVersionInfoTest, ReadsAWindowsProgramFile)
{
    for (const bool wide : {true, false}) {
        info_.setVerFileName(file("sample.exe", sample::pe(sample::block(), {wide})));
        EXPECT_EQ(info_.StrVerFileVersion(), "7.0.7.6") << wide;
        EXPECT_EQ(info_.StrVerFileCompanyName(), "Orvane") << wide;
        EXPECT_EQ(info_.VerFileLangID(), 2057u);
        EXPECT_EQ(info_.VerFileCPID(), 1252u);
    }
}

TEST_F(FileVersionInfoTest, FileWithoutVersionInformationGivesTheErrorEverywhere)
{
    struct Case {
        const char* what;
        QString path;
        quint32 error;
    };
    const QByteArray block = sample::block();
    QByteArray damaged = block;
    damaged[1] = '\x7F'; // the root claims far more bytes than the section holds
    for (const Case& c : {
             Case{"missing file", dir_.filePath("missing.exe"), verinfo::FileNotFound},
             Case{"folder", dir_.path(), verinfo::AccessDenied},
             Case{"text file", file("notes.txt", "Some notes.\n"), verinfo::BadExeFormat},
             Case{"ELF without the section", file("plain.elf", sample::elf({true, false, false, {{".text", "x"}}})),
                  verinfo::NoVersionInfo},
             Case{"PE without resources", file("plain.exe", sample::pe(block, {true, false})), verinfo::NoVersionInfo},
             Case{"PE with other resources", file("icons.exe", sample::pe(block, {true, true, 3})),
                  verinfo::ResourceTypeNotFound},
             Case{"damaged block", file("damaged.elf", sample::elfWithBlock(damaged)), verinfo::InvalidData},
         }) {
        info_.setVerFileName({});
        ASSERT_EQ(info_.StrVerFileVersion(), QUELTA_PROJECT_VERSION); // numbers set by a good read

        info_.setVerFileName(c.path);
        for (const Property& property : everyStringProperty())
            EXPECT_EQ(property(info_), errorText(c.error)) << c.what;
        EXPECT_EQ(info_.VerFileLangID(), 0u) << c.what;
        EXPECT_EQ(info_.VerFileCPID(), 0u) << c.what;
        EXPECT_FALSE(info_.holdsVersionBlock());
    }
    info_.setVerFileName(dir_.filePath("missing.exe"));
    EXPECT_EQ(info_.StrVerFileVersion(), "Error #2 - The file cannot be found.");
}

TEST_F(FileVersionInfoTest, BlockWithoutTranslationRaisesAndReleasesTheBlock)
{
    // A translation table too short for one entry has no first entry either.
    verinfo::BlockNode shortTable = verinfo::versionInfo({});
    shortTable.children.back().children.front().value = QByteArray("\x09\x08", 2);
    verinfo::BlockNode emptyGroup = verinfo::versionInfo({});
    emptyGroup.children.back().children.clear();

    for (const QByteArray& block : {sample::block({0x0809, 0x04E4, {{"FileVersion", "1"}}, false}),
                                    verinfo::serializeBlock(shortTable), verinfo::serializeBlock(emptyGroup)}) {
        info_.setVerFileName(sampleElf());
        ASSERT_EQ(info_.StrVerFileVersion(), "7.0.7.6");

        info_.setVerFileName(file("untranslated.elf", sample::elfWithBlock(block)));
        try {
            info_.StrVerFileVersion();
            ADD_FAILURE() << "no error raised";
        } catch (const VersionInfoError& e) {
            EXPECT_EQ(e.text(), "Error #1815 - The version information has no translation table.");
            EXPECT_STREQ(e.what(), "Error #1815 - The version information has no translation table.");
        }
        EXPECT_FALSE(info_.holdsVersionBlock());
        EXPECT_EQ(info_.VerFileLangID(), 0u);
        EXPECT_EQ(info_.VerFileCPID(), 0u);
    }
}

TEST_F(FileVersionInfoTest, MissingKeyGivesTheErrorOfTheQuery)
{
    info_.setVerFileName(sampleElf({0x0409, 0x04B0, {{"FileVersion", "7.0.7.6"}, {"Comments", ""}}}));
    EXPECT_EQ(info_.StrVerFilePrivateBuild(), "Error #1814 - The version information has no value under this name.");
    EXPECT_EQ(info_.VerFileLangID(), 0x0409u); // the translation was found all the same
    EXPECT_EQ(info_.VerFileCPID(), 1200u);
    EXPECT_EQ(info_.StrVerFileComments(), ""); // present but empty is not an error
    EXPECT_FALSE(info_.holdsVersionBlock());
}

TEST_F(FileVersionInfoTest, TranslationWithoutItsStringTableFindsNoKey)
{
    verinfo::VersionFacts facts;
    facts.strings = {{"FileVersion", "7.0.7.6"}};
    verinfo::BlockNode root = verinfo::versionInfo(facts);
    root.children.front().children.front().key = "040904B0"; // the table of another translation
    info_.setVerFileName(file("mismatch.elf", sample::elfWithBlock(verinfo::serializeBlock(root))));
    EXPECT_EQ(info_.StrVerFileVersion(), errorText(verinfo::KeyNotFound));
    EXPECT_EQ(info_.VerFileLangID(), 2057u);
}

TEST_F(FileVersionInfoTest, LastErrorTextShowsADialogWhenGivenAMessage)
{
    QStringList shown;
    info_.setErrorDialog([&](const QString& text) { shown << text; });
    EXPECT_EQ(info_.LastErrorText(), ""); // no error yet
    EXPECT_EQ(info_.LastErrorText("Reading"), "");
    EXPECT_TRUE(shown.isEmpty());

    info_.setVerFileName(dir_.filePath("missing.exe"));
    info_.StrVerFileVersion();
    EXPECT_EQ(info_.LastErrorText(), "Error #2 - The file cannot be found.");
    EXPECT_EQ(info_.LastErrorText("Reading"), "");
    EXPECT_EQ(shown, QStringList{"Reading\rCode: 2\rDesc: The file cannot be found."});
}
