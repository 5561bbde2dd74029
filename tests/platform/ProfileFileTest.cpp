#include "ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <climits>
#include <gtest/gtest.h>
#include <random>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {

// Literal bytes, NULs included.
template <std::size_t N>
QByteArray bytes(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString path() const { return dir_.filePath("Quelta.ini"); }

    void store(const QByteArray& text) const
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(text), text.size());
    }

    QByteArray contents() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir dir_;
};

// The byte layout of a rewritten file is the native functions' business on Windows.
#ifndef Q_OS_WIN
TEST_F(ProfileFileTest, WritingAKeyChangesOnlyItsLine)
{
    struct Case {
        const char* what;
        QByteArray before;
        const char* key;
        const char* value;
        QByteArray after;
    };
    const Case cases[] = {
        {"value replaced; key spelling, blanks, comments and other sections kept",
         "; Quelta settings\n\n[Window]\nLanguage=9\n\n[General]\nlanguage = 3\n  ; note\nDeveloper=0\n\n[Other]\nx=1\n",
         "Language", "12",
         "; Quelta settings\n\n[Window]\nLanguage=9\n\n[General]\nlanguage = 12\n  ; note\nDeveloper=0\n\n[Other]\nx=1\n"},
        {"section name in other case, header with blanks", "  [ GENERAL ]  \nDEVELOPER=0\n", "Developer", "1",
         "  [ GENERAL ]  \nDEVELOPER=1\n"},
        {"missing key goes after the section's last entry, before the gap", "[General]\nLanguage=3\n\n[Other]\nx=1\n",
         "Languages", "111", "[General]\nLanguage=3\nLanguages=111\n\n[Other]\nx=1\n"},
        {"missing key in an empty section", "[General]\n[Other]\n", "Developer", "1", "[General]\nDeveloper=1\n[Other]\n"},
        {"commented key is no key", "[General]\n;Language=3\n", "Language", "4", "[General]\nLanguage=4\n;Language=3\n"},
        {"missing section appended", "; top\n[Other]\nx=1\n", "Language", "2", "; top\n[Other]\nx=1\n[General]\nLanguage=2\n"},
        {"key before any section is outside General", "Language=9\n[Other]\n", "Language", "1",
         "Language=9\n[Other]\n[General]\nLanguage=1\n"},
        {"unterminated last line gets an ending before the new key", "[General]\nLanguage=3", "Developer", "0",
         "[General]\nLanguage=3\nDeveloper=0\n"},
        {"unterminated last line gets an ending before the new section", "[Other]\nx=1", "Language", "2",
         "[Other]\nx=1\n[General]\nLanguage=2\n"},
        {"unterminated last line replaced in place", "[General]\nLanguage=3", "Language", "4", "[General]\nLanguage=4"},
        {"CRLF file: new key", "[General]\r\nLanguage=3\r\n\r\n[Other]\r\n", "Languages", "111",
         "[General]\r\nLanguage=3\r\nLanguages=111\r\n\r\n[Other]\r\n"},
        {"CRLF file: replaced key", "[General]\r\nLanguage=3\r\nDeveloper=0\r\n", "Language", "12",
         "[General]\r\nLanguage=12\r\nDeveloper=0\r\n"},
        {"CRLF file: new section", "[Other]\r\nx=1\r\n", "Developer", "1", "[Other]\r\nx=1\r\n[General]\r\nDeveloper=1\r\n"},
        {"UTF-8 BOM kept", "\xEF\xBB\xBF[General]\nLanguage=3\n", "Language", "5", "\xEF\xBB\xBF[General]\nLanguage=5\n"},
        {"duplicate key: the first one is rewritten", "[General]\nLanguage=3\nLanguage=7\n", "Language", "4",
         "[General]\nLanguage=4\nLanguage=7\n"},
        {"duplicate section: the first one is written", "[General]\nx=1\n\n[General]\nLanguage=7\n", "Language", "4",
         "[General]\nx=1\nLanguage=4\n\n[General]\nLanguage=7\n"},
        {"junk and binary lines kept", bytes("[General]\ngarbage line\n\x01\x00\xff\n[General\nLanguage=3\n"),
         "Language", "1", bytes("[General]\ngarbage line\n\x01\x00\xff\n[General\nLanguage=1\n")},
        {"empty file", "", "Language", "3", "[General]\nLanguage=3\n"},
    };
    for (const Case& c : cases) {
        store(c.before);
        ProfileFile file(path());
        EXPECT_TRUE(file.writeString("General", c.key, c.value)) << c.what;
        EXPECT_EQ(contents(), c.after) << c.what;
        EXPECT_EQ(file.readString("General", c.key, "default"), c.value) << c.what;
    }
}
#endif

TEST_F(ProfileFileTest, ReadsWhatTheWindowsFunctionsRead)
{
    struct Case {
        const char* what;
        QByteArray text;
        const char* expected;
    };
    const Case cases[] = {
        {"plain", "[General]\nLanguages=111\n", "111"},
        {"names in other case", "[general]\nLANGUAGES=111\n", "111"},
        {"blanks around name and value", "[General]\n\t Languages  =  111 \t\n", "111"},
        {"enclosing quotes dropped", "[General]\nLanguages=\"111\"\n", "111"},
        {"lone quote kept", "[General]\nLanguages=\"111\n", "\"111"},
        {"empty value is not the default", "[General]\nLanguages=\n", ""},
        {"value with equals sign", "[General]\nLanguages=a=b\n", "a=b"},
        {"CRLF", "[General]\r\nLanguages=111\r\n", "111"},
        {"UTF-8 BOM before the first section", "\xEF\xBB\xBF[General]\nLanguages=111\n", "111"},
        {"first duplicate wins", "[General]\nLanguages=111\nLanguages=000\n", "111"},
        {"General between other sections", "[A]\nLanguages=9\n[General]\nx=1\nLanguages=111\n[B]\nLanguages=8\n", "111"},
        {"missing file content", "", "default"},
        {"key only in another section", "[Other]\nLanguages=111\n[General]\n", "default"},
        {"commented key", "[General]\n; Languages=111\n", "default"},
        {"key before any section", "Languages=111\n[General]\n", "default"},
        {"key without equals sign", "[General]\nLanguages\n", "default"},
        {"header without bracket", "[General\nLanguages=111\n", "default"},
        {"only the first General section is read", "[General]\nx=1\n[General]\nLanguages=111\n", "default"},
    };
    for (const Case& c : cases) {
        store(c.text);
        EXPECT_EQ(ProfileFile(path()).readString("General", "Languages", "default"), c.expected) << c.what;
    }
}

TEST_F(ProfileFileTest, IntegersAreDecimalOrHexAndAnythingElseIsTheDefault)
{
    struct Case {
        const char* value;
        int expected;
    };
    const Case cases[] = {
        {"3", 3}, {"0x1F", 31}, {"0X1f", 31}, {" 42 ", 42}, {"+5", 5}, {"-5", -5}, {"007", 7},
        {"2147483647", INT_MAX}, {"-2147483648", INT_MIN}, {"0x7FFFFFFF", INT_MAX},
        // Everything below reads as the default 99.
        {"12abc", 99}, {"true", 99}, {"", 99}, {"0x", 99}, {"0xG1", 99}, {"-0x1", 99}, {"1.5", 99}, {"- 5", 99},
        {"+", 99}, {"1 2", 99}, {"2147483648", 99}, {"-2147483649", 99}, {"0x80000000", 99},
        {"99999999999999999999", 99}, {"\xd9\xa3", 99} /* Arabic-Indic digit three */,
    };
    for (const Case& c : cases) {
        store(QByteArray("[General]\nLanguage=") + c.value + "\n");
        EXPECT_EQ(ProfileFile(path()).readInteger("General", "Language", 99), c.expected) << '"' << c.value << '"';
    }
}

TEST_F(ProfileFileTest, FlagsAreIntegersThatAreNotZero)
{
    struct Case {
        const char* value;
        bool defaultValue;
        bool expected;
    };
    for (const Case c : {Case{"1", false, true}, Case{"0", true, false}, Case{"2", false, true},
                         Case{"true", false, false}, Case{"true", true, true}, Case{"", true, true}}) {
        store(QByteArray("[General]\nDeveloper=") + c.value + "\n");
        EXPECT_EQ(ProfileFile(path()).readBool("General", "Developer", c.defaultValue), c.expected) << c.value;
    }
}

TEST_F(ProfileFileTest, MissingFileReadsAsDefaultsAndReadingDoesNotCreateIt)
{
    const ProfileFile file(path());
    EXPECT_EQ(file.readInteger("General", "Language", 0), 0);
    EXPECT_EQ(file.readString("General", "Languages", "1110110101000000"), "1110110101000000");
    EXPECT_FALSE(file.readBool("General", "Developer", false));
    EXPECT_FALSE(QFile::exists(path()));

    const ProfileFile inMissingFolder(dir_.filePath("nowhere/Quelta.ini"));
    EXPECT_EQ(inMissingFolder.readInteger("General", "Language", 4), 4);
}

// The settings of a first run: no file, three keys written at close, read back at the next start.
TEST_F(ProfileFileTest, SettingsRoundTripThroughANewFile)
{
    {
        ProfileFile file(path());
        EXPECT_TRUE(file.writeInteger("General", "Language", 3));
        EXPECT_TRUE(file.writeString("General", "Languages", "1110110101000000"));
        EXPECT_TRUE(file.writeBool("General", "Developer", false));
    }
#ifndef Q_OS_WIN
    EXPECT_EQ(contents(), "[General]\nLanguage=3\nLanguages=1110110101000000\nDeveloper=0\n");
#endif
    const ProfileFile file(path());
    EXPECT_EQ(file.readInteger("General", "Language", 0), 3);
    EXPECT_EQ(file.readString("General", "Languages", "x"), "1110110101000000");
    EXPECT_FALSE(file.readBool("General", "Developer", true));
}

// A short "Languages" is read as stored and written back extended in place.
TEST_F(ProfileFileTest, LanguagesIsReadAsStoredAndRewrittenInPlace)
{
    store("[General]\nLanguage=2\nLanguages=111\nDeveloper=1\n");
    ProfileFile file(path());
    const QString mask = file.readString("General", "Languages", "1110110101000000");
    EXPECT_EQ(mask, "111");
    const QString extended = mask.leftJustified(16, '0');
    EXPECT_TRUE(file.writeString("General", "Languages", extended));
    EXPECT_EQ(file.readString("General", "Languages", ""), "1110000000000000");
#ifndef Q_OS_WIN
    EXPECT_EQ(contents(), "[General]\nLanguage=2\nLanguages=1110000000000000\nDeveloper=1\n");
#endif
}

TEST_F(ProfileFileTest, WriteFailureIsReportedAndLeavesEverythingAsItWas)
{
    // The folder is the caller's to create.
    ProfileFile inMissingFolder(dir_.filePath("nowhere/Quelta.ini"));
    EXPECT_FALSE(inMissingFolder.writeString("General", "Language", "1"));
    EXPECT_FALSE(QDir(dir_.filePath("nowhere")).exists());

    // A folder that is a file stops even a privileged user.
    store("[General]\nLanguage=3\n");
    ProfileFile underAFile(path() + "/Quelta.ini");
    EXPECT_FALSE(underAFile.writeString("General", "Language", "1"));
    EXPECT_EQ(contents(), "[General]\nLanguage=3\n");

    ASSERT_TRUE(QDir(dir_.path()).mkdir("folder"));
    ProfileFile aFolder(dir_.filePath("folder"));
    EXPECT_FALSE(aFolder.writeString("General", "Language", "1"));
    EXPECT_EQ(aFolder.readInteger("General", "Language", 5), 5);
}

#ifndef Q_OS_WIN
TEST_F(ProfileFileTest, UnwritableFolderAndUnreadableFileAreNotOverwritten)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    const QByteArray before = "; keep me\n[General]\nLanguage=3\n";
    store(before);

    ASSERT_TRUE(QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::ExeOwner));
    ProfileFile file(path());
    EXPECT_FALSE(file.writeString("General", "Language", "1"));
    ASSERT_TRUE(QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    EXPECT_EQ(contents(), before);

    // Writing a file we cannot read would replace it with a single key.
    ASSERT_TRUE(QFile::setPermissions(path(), QFile::WriteOwner));
    EXPECT_FALSE(file.writeString("General", "Language", "1"));
    ASSERT_TRUE(QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner));
    EXPECT_EQ(contents(), before);
}
#endif

TEST_F(ProfileFileTest, NamesAndValuesThatCannotReadBackAreRefused)
{
    const QByteArray before = "[General]\nLanguage=3\n";
    struct Case {
        QString section;
        QString key;
        QString value;
    };
    const Case cases[] = {
        {"General", "", "1"},           {"", "Language", "1"},          {"General", "a=b", "1"},
        {"Gen]eral", "Language", "1"},  {"General", ";Language", "1"},  {"General", "[Language", "1"},
        {" General", "Language", "1"},  {"General", "Language ", "1"},  {"General", "Language", "1\n[Other]"},
        {"General", "Language", "1\r"}, {"General", "Lang\nuage", "1"}, {"General", "Language", QString(QChar(0))},
    };
    for (const Case& c : cases) {
        store(before);
        ProfileFile file(path());
        EXPECT_FALSE(file.writeString(c.section, c.key, c.value)) << c.section.toStdString() << '/' << c.key.toStdString();
        EXPECT_EQ(contents(), before);
    }
    EXPECT_EQ(ProfileFile(path()).readString("General", "", "default"), "default");
}

// U+FEFF is a character like any other inside a line; only the file's first bytes can be its
// byte order mark. A decoder that dropped it made such a key unfindable (every write added
// another line) and such a value read back without it.
TEST(ProfileText, ALeadingByteOrderMarkInANameOrValueReadsBack)
{
    const QString bom(QChar(0xFEFF));
    struct Case {
        QString section;
        QString key;
        QString value;
    };
    const Case cases[] = {
        {"General", "Language", bom + "1"},
        {"General", bom + "Language", "1"},
        {bom + "General", "Language", "1"},
    };
    for (const Case& c : cases) {
        for (const QByteArray& before : {QByteArray(), QByteArray("\xEF\xBB\xBF[General]\nLanguage=3\n")}) {
            SCOPED_TRACE((c.section + '/' + c.key + '=' + c.value).toStdString() + " in " + before.toHex().toStdString());
            const auto written = profile::withValue(before, c.section, c.key, c.value);
            ASSERT_TRUE(written);
            EXPECT_EQ(profile::lookup(*written, c.section, c.key), c.value);
            EXPECT_EQ(profile::withValue(*written, c.section, c.key, c.value), written);
        }
    }
}

TEST(ProfileText, LongLinesAndHugeFilesAreHandled)
{
    const QByteArray longValue(1 << 20, '1');
    const QByteArray text = "[General]\nLanguages=" + longValue + "\n";
    EXPECT_EQ(profile::lookup(text, "General", "Languages"), QString::fromLatin1(longValue));

    // Many broken headers: a search that ran on past the end of each line would never finish.
    QByteArray broken;
    for (int i = 0; i < 200000; ++i)
        broken += "[x\n";
    const auto written = profile::withValue(broken + "[General]\n", "General", "Language", "1");
    ASSERT_TRUE(written);
    EXPECT_EQ(profile::lookup(*written, "General", "Language"), "1");
}

// Damaged files: whatever the bytes, writing a key must make it read back and leave the other
// keys reading as before.
TEST(ProfileText, AnyBytesSurviveAWrite)
{
    const QByteArray alphabet = bytes("[]=;\r\n \t\"GeneralDvop\xEF\xBB\xBF\xff\0");
    std::mt19937 random(4711);
    std::uniform_int_distribution<int> length(0, 80);
    std::uniform_int_distribution<qsizetype> pick(0, alphabet.size() - 1);
    for (int round = 0; round < 3000; ++round) {
        QByteArray text;
        for (int n = length(random); n > 0; --n)
            text += alphabet[pick(random)];
        if (round % 4 == 0)
            text = "[General]\n" + text; // often enough, the section exists
        const auto developer = profile::lookup(text, "General", "Developer");
        const auto other = profile::lookup(text, "Gen", "Language");
        const auto written = profile::withValue(text, "General", "Language", "5");
        ASSERT_TRUE(written);
        EXPECT_EQ(profile::lookup(*written, "General", "Language"), "5") << text.toHex().toStdString();
        EXPECT_EQ(profile::lookup(*written, "General", "Developer"), developer) << text.toHex().toStdString();
        EXPECT_EQ(profile::lookup(*written, "Gen", "Language"), other) << text.toHex().toStdString();
        EXPECT_EQ(profile::withValue(*written, "General", "Language", "5"), written) << text.toHex().toStdString();
    }
}

} // namespace
