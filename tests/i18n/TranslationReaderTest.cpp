#include "I18nTestSupport.h"
#include "TranslationReader.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(TranslationReader, ReadsEveryTableWithCommentsEscapesAndWindowsLineEnds)
{
    const QByteArray file = "\xEF\xBB\xBF# a translator's note\r\n"
                            "\r\n"
                            "[Strings]\r\n" +
                            row("IDS_106", {"Available port numbers: ", "", "Ports disponibles : "}).replace("\n", "\r\n") +
                            "  [ Captions ]\n" +
                            row("SpTBXItemNextDive", {"Next\\nDive", "Volgende\\nsprong"}) +
                            row("lbl1", {"a\\\\b\\tc"}) +
                            "[Items]\n" + row("rgDCS.Items", {"ON,OFF", "", "ACTIF,INACTIF"}) +
                            "[DialogTexts]\n" + row("Yes", {"&Yes", "&Ja"}) +
                            "   # indented comment\n"
                            "[End]\n"
                            "# after the end\n";
    const ReadResult result = readTranslations(file);
    ASSERT_FALSE(result.error) << result.error->where().toStdString();
    const TranslationData& data = *result.data;

    EXPECT_EQ(data.text(Table::Strings, "IDS_106", 1), "Available port numbers: ");
    EXPECT_EQ(data.text(Table::Strings, "IDS_106", 3), "Ports disponibles : ");
    EXPECT_EQ(data.text(Table::Strings, "IDS_106", 2), "Available port numbers: ") << "empty gives English";
    EXPECT_EQ(data.text(Table::Captions, "SpTBXItemNextDive", 2), "Volgende\nsprong");
    EXPECT_EQ(data.text(Table::Captions, "lbl1", 1), "a\\b\tc");
    EXPECT_EQ(data.text(Table::Items, "rgDCS.Items", 3), "ACTIF,INACTIF");
    EXPECT_EQ(data.text(Table::DialogTexts, "Yes", 2), "&Ja");
    EXPECT_EQ(data.table(Table::Strings).find("IDS_106")->line, 4);
    EXPECT_EQ(data.table(Table::Captions).keys(), QStringList({"SpTBXItemNextDive", "lbl1"}));
}

struct Corrupt {
    const char* name;
    QByteArray file;
    int line;
    const char* reason;  // found within the error text
};

void PrintTo(const Corrupt& c, std::ostream* out)
{
    *out << c.name;
}

const QByteArray Head = "# test\n[Captions]\n" + row("btnReset", {"Reset", "Opnieuw"});  // lines 1-3

class CorruptFileTest : public testing::TestWithParam<Corrupt> {};

TEST_P(CorruptFileTest, IsRefusedWholeWithTheLineAtFault)
{
    const ReadResult result = readTranslations(GetParam().file);
    EXPECT_FALSE(result.data);
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->line, GetParam().line);
    EXPECT_TRUE(result.error->reason.contains(QString::fromUtf8(GetParam().reason)))
        << result.error->reason.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, CorruptFileTest,
    testing::Values(
        Corrupt{"cut_at_a_line_end", Head + row("lbl1", {"Firmware versions:"}), 5, "[End]"},
        Corrupt{"cut_inside_a_line", Head + "lbl1\tFirmware versions:\tFirmwarever", 4, "3 columns instead of 17"},
        Corrupt{"cut_inside_a_character", Head + "lbl1\tR\xC3", 4, "UTF-8"},
        Corrupt{"empty", "", 1, "[End]"},
        Corrupt{"too_few_columns", Head + "lbl1\tFirmware versions:\n[End]\n", 4, "2 columns instead of 17"},
        Corrupt{"too_many_columns", Head + row("lbl1", {"a"}).replace("\n", "\textra\n") + "[End]\n", 4,
                "18 columns"},
        Corrupt{"latin1_instead_of_utf8", Head + row("lbl1", {"a", "cafe"}).replace("cafe", "caf\xE9") + "[End]\n", 4,
                "not valid UTF-8"},
        Corrupt{"overlong_utf8", Head + row("lbl1", {"a", "XX"}).replace("XX", "\xC0\xAF") + "[End]\n", 4, "not valid UTF-8"},
        Corrupt{"binary", Head + QByteArray("lbl1\t\0\x01", 7) + "\n[End]\n", 4, "control character"},
        Corrupt{"unknown_table", Head + "[Menus]\n" + row("x", {"y"}) + "[End]\n", 4, "unknown table [Menus]"},
        Corrupt{"entry_before_a_table", "# x\n" + row("btnReset", {"Reset"}) + "[End]\n", 2, "before the first table"},
        Corrupt{"unknown_escape", Head + row("lbl1", {"a", "\\q"}) + "[End]\n", 4, "Dutch text of 'lbl1': unknown escape \\q"},
        Corrupt{"lone_backslash", Head + row("lbl1", {"a\\"}) + "[End]\n", 4, "backslash ends the text"},
        Corrupt{"duplicate_key", Head + row("btnReset", {"Reset"}) + "[End]\n", 4, "already given on line 3"},
        Corrupt{"empty_english", Head + row("lbl1", {"", "Firmwareversies:"}) + "[End]\n", 4, "English text"},
        Corrupt{"blank_around_key", Head + row("lbl1 ", {"a"}) + "[End]\n", 4, "key"},
        Corrupt{"items_count_changed",
                Head + "[Items]\n" + row("rgDCS.Items", {"ON,OFF", "", "MARCHE"}) + "[End]\n", 5,
                "French items of 'rgDCS.Items' are 1 instead of 2"},
        Corrupt{"text_after_the_end", Head + "[End]\n" + row("lbl1", {"a"}), 5, "after the [End]"}),
    [](const testing::TestParamInfo<Corrupt>& info) { return std::string(info.param.name); });

TEST(TranslationReader, AFileCutAnywhereIsNeverTakenHalfRead)
{
    // The real data, cut at every 97th byte: whatever the cut hits, nothing is accepted.
    QFile builtin(":/i18n/translations.sib");
    ASSERT_TRUE(builtin.open(QIODevice::ReadOnly));
    const QByteArray whole = builtin.readAll();
    ASSERT_FALSE(readTranslations(whole).error);
    for (qsizetype cut = 0; cut < whole.size() - 7; cut += 97) {
        const ReadResult result = readTranslations(whole.left(cut));
        EXPECT_FALSE(result.data) << "cut at " << cut;
        ASSERT_TRUE(result.error);
        EXPECT_GT(result.error->line, whole.left(cut).count('\n')) << "cut at " << cut;
    }
}

TEST(TranslationReader, FileThatCannotBeReadIsAnErrorOfTheWholeFile)
{
    const QTemporaryDir dir;
    const ReadResult missing = readTranslationFile(dir.filePath("Quelta.sib"));
    ASSERT_TRUE(missing.error);
    EXPECT_EQ(missing.error->line, 0);
    EXPECT_TRUE(missing.error->where().startsWith("cannot be read"));

    QFile big(dir.filePath("big.sib"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write(QByteArray(MaxTranslationFileSize + 1, '#'));
    big.close();
    const ReadResult tooLarge = readTranslationFile(big.fileName());
    ASSERT_TRUE(tooLarge.error);
    EXPECT_EQ(tooLarge.error->line, 0);
    EXPECT_TRUE(tooLarge.error->reason.contains("larger than"));
}

} // namespace
