// The built-in translation data: its keys, its English texts and how much each language fills.
#include "BuiltinTranslations.h"
#include "I18nTestSupport.h"
#include "MessageTable.h"

#include <gtest/gtest.h>

#include <map>

namespace {

const TranslationTable& builtin(Table table)
{
    return builtinTranslations().table(table);
}

std::map<QString, QString> englishOf(Table table)
{
    std::map<QString, QString> english;
    for (const TranslationEntry& entry : builtin(table).entries())
        english[entry.key] = entry.text(EnglishLanguage);
    return english;
}

struct Filled {
    int language;
    int captions;
    int items;
    int strings;
    int dialogTexts;
};

class FilledEntriesTest : public testing::TestWithParam<Filled> {};

TEST_P(FilledEntriesTest, EachLanguageFillsItsShareOfEveryTable)
{
    const Filled& expected = GetParam();
    SCOPED_TRACE(languageName(expected.language).toStdString());
    EXPECT_EQ(builtin(Table::Captions).filledCount(expected.language), expected.captions);
    EXPECT_EQ(builtin(Table::Items).filledCount(expected.language), expected.items);
    EXPECT_EQ(builtin(Table::Strings).filledCount(expected.language), expected.strings);
    EXPECT_EQ(builtin(Table::DialogTexts).filledCount(expected.language), expected.dialogTexts);
}

INSTANTIATE_TEST_SUITE_P(Languages, FilledEntriesTest,
                         testing::Values(Filled{1, 65, 2, 11, 86}, Filled{2, 60, 0, 10, 86},
                                         Filled{3, 64, 1, 10, 86}, Filled{4, 5, 0, 4, 50},
                                         Filled{5, 64, 1, 10, 86}, Filled{6, 64, 1, 10, 86},
                                         Filled{7, 33, 0, 5, 86}, Filled{8, 64, 1, 10, 85},
                                         Filled{9, 31, 0, 5, 86}, Filled{10, 65, 2, 11, 86},
                                         Filled{11, 38, 0, 5, 86}, Filled{12, 1, 0, 0, 0},
                                         Filled{13, 27, 0, 4, 86}, Filled{14, 31, 0, 5, 86},
                                         Filled{15, 5, 0, 4, 15}, Filled{16, 1, 0, 0, 0}));

TEST(BuiltinData, CaptionsAreTheWindowLayoutsCaptionsOfExactlyTheTranslatedComponents)
{
    std::map<QString, QString> expected = {
        {"btnAbort", "Abort test"},
        {"btnCmd", "Send cmd"},
        {"btnReset", "Reset"},
        {"btnSetChannel", "Set channel"},
        {"chk1", "Broadcast"},
        {"gbInput", "Awards"},
        {"gbStatus", "Kivo Status"},
        {"gbSystem", "System configuration"},
        {"gbxBaseStation", "Base Station"},
        {"Label1", "Test delay"},
        {"Label2", "Kivo"},
        {"Label3", "Replies"},
        {"Label4", "Resends"},
        {"Label5", "Reads"},
        {"Label6", "Port:"},
        {"Label7", "Sends"},
        {"Label8", "Missed"},
        {"Label9", "Duration:"},
        {"Label19", "Test Results"},
        {"lbl1", "Firmware versions:"},
        {"lbl12", "Firmware version:"},
        {"lbl14", "Target channel:"},
        {"lbl15", "Active channel:"},
        {"lblLoops", "Test loops"},
        {"rgCompatibility", "Version compatibility"},
        {"rgDCS", "Digital Chanel Separation (see Help)"},
        {"SpTBXItemExit", "Exit"},
        {"SpTBXSubmenuItemScans", "Scans"},
        {"SpTBXItemFullScan", "Full Scan"},
        {"SpTBXItemActivePort", "Active port"},
        {"SpTBXItemHidden", "Hidden"},
        {"SpTBXItemNextDive", "Next\nDive"},
        {"SpTBXSubmenuItemCommand", "Kivo\nCommands"},
        {"SpTBXItemJudge", "Judge ID"},
        {"SpTBXItemLock", "Lock Kbd"},
        {"SpTBXItemUnlock", "Unlock Kbd"},
        {"SpTBXItemEcho", "Echo\nTest"},
        {"SpTBXCharTest", "Character\nTest"},
        {"SpTBXSubmenuItemLang", "Language.."},
        {"SpTBXItemHelp", "Help"},
        {"SpTBXLangX", "Your language"},
    };
    for (int j = 0; j < 12; ++j) {
        expected[QStringLiteral("JLab%1").arg(j)] = QStringLiteral("J%1").arg(j);
        expected[QStringLiteral("lblJ%1").arg(j)] = QStringLiteral("J%1").arg(j);
    }
    ASSERT_EQ(expected.size(), 65u);
    EXPECT_EQ(englishOf(Table::Captions), expected);
}

TEST(BuiltinData, ItemListsAndMessagesHaveTheirEnglishTexts)
{
    const std::map<QString, QString> items = {{"rgDCS.Items", "ON,OFF"}, {"rgCompatibility.Items", "V3,V2"}};
    EXPECT_EQ(englishOf(Table::Items), items);

    const std::map<QString, QString> strings = {
        {"IDS_1", "If you are willing to help translate this program"},
        {"IDS_2", "into your language, please send me an email."},
        {"IDS_3", "Unable to locate Common Application Data folder."},
        {"IDS_4", "This is a Critical Error."},
        {"IDS_9", "Enter a command"},
        {"IDS_100", "No Base Station found"},
        {"IDS_101", "No ports found"},
        {"IDS_103", "Please run a 'Scans, Full Scan' first"},
        {"IDS_104", "Start Full Scan"},
        {"IDS_105", "No available ports!"},
        {"IDS_106", "Available port numbers: "},
    };
    EXPECT_EQ(englishOf(Table::Strings), strings);
}

TEST(BuiltinData, EnglishMessagesGiveTheMessageTableAndNothingForUnknownIdentifiers)
{
    const EnglishMessages messages;
    EXPECT_EQ(messages.Text("IDS_104"), "Start Full Scan");
    EXPECT_EQ(messages.Text("IDS_106"), "Available port numbers: ");
    EXPECT_TRUE(messages.Text("IDS_7").isEmpty());
    EXPECT_TRUE(messages.Text("btnReset").isEmpty());
}

TEST(BuiltinData, DialogTextsAreKeyedByTheirEnglishTextWithoutTheAccelerator)
{
    const TranslationTable& dialogs = builtin(Table::DialogTexts);
    EXPECT_EQ(dialogs.entries().size(), 86u);
    for (const TranslationEntry& entry : dialogs.entries()) {
        EXPECT_EQ(QString(entry.text(EnglishLanguage)).remove(u'&'), entry.key);
        for (int language = 1; language <= LanguageCount; ++language)
            EXPECT_LE(entry.text(language).count(u'&'), 1) << entry.key.toStdString() << " in " << language;
    }
    // The buttons and captions of the program's own message dialogs.
    const std::map<QString, QString> used = {
        {"Warning", "Warning"}, {"Error", "Error"},         {"Information", "Information"},
        {"Confirm", "Confirm"}, {"OK", "OK"},               {"Cancel", "Cancel"},
        {"Yes", "&Yes"},        {"No", "&No"},              {"Abort", "&Abort"},
        {"Retry", "&Retry"},    {"Ignore", "&Ignore"},      {"All", "&All"},
        {"No to All", "N&o to All"}, {"Yes to All", "Yes to &All"}, {"Help", "&Help"},
        {"Close", "&Close"},
    };
    for (const auto& [key, english] : used)
        EXPECT_EQ(dialogs.text(key, EnglishLanguage), english) << key.toStdString();
}

TEST(BuiltinData, TwoLineCaptionsStayTwoLinesInEveryLanguage)
{
    for (const TranslationEntry& entry : builtin(Table::Captions).entries()) {
        const qsizetype breaks = entry.text(EnglishLanguage).count(u'\n');
        for (int language = 2; language <= LanguageCount; ++language)
            if (!entry.text(language).isEmpty()) {
                EXPECT_EQ(entry.text(language).count(u'\n'), breaks)
                    << entry.key.toStdString() << " in " << languageName(language).toStdString();
            }
    }
}

TEST(BuiltinData, ItalianPadLabelsAreGNumbers)
{
    constexpr int Italian = 6;
    for (int j = 0; j < 12; ++j) {
        const QString expected = QStringLiteral("G%1").arg(j);
        EXPECT_EQ(builtin(Table::Captions).text(QStringLiteral("JLab%1").arg(j), Italian), expected);
        EXPECT_EQ(builtin(Table::Captions).text(QStringLiteral("lblJ%1").arg(j), Italian), expected);
    }
}

TEST(BuiltinData, OwnershipSplitsTheMessagesAtOneHundred)
{
    const TranslationData main = shareOf(builtinTranslations(), FormOwner::MainWindow);
    const TranslationData link = shareOf(builtinTranslations(), FormOwner::LinkController);
    EXPECT_EQ(main.table(Table::Strings).keys(), QStringList({"IDS_1", "IDS_2", "IDS_3", "IDS_4", "IDS_9"}));
    EXPECT_EQ(link.table(Table::Strings).keys(),
              QStringList({"IDS_100", "IDS_101", "IDS_103", "IDS_104", "IDS_105", "IDS_106"}));
    EXPECT_EQ(main.table(Table::Captions).entries().size(), 65u);
    EXPECT_EQ(main.table(Table::DialogTexts).entries().size(), 86u);
    for (const Table table : {Table::Captions, Table::Items, Table::DialogTexts})
        EXPECT_TRUE(link.table(table).entries().empty());
}

} // namespace
