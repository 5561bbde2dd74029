// Choosing the language: at start from the settings or the system, and from the menu.
#include "I18nTestSupport.h"
#include "LanguageDispatcher.h"
#include "LanguageSelection.h"
#include "RecordingForm.h"
#include "TranslationComponent.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace {

// The "General" section as it is stored; a missing key gives the caller's default.
struct StoredSettings {
    std::optional<int> language;
    std::optional<QString> languages;

    LanguageSettingsReader reader() const
    {
        return {[this](const QString& key, int defaultValue) {
                    return key == "Language" && language ? *language : defaultValue;
                },
                [this](const QString& key, const QString& defaultValue) {
                    return key == "Languages" && languages ? *languages : defaultValue;
                }};
    }
};

std::vector<int> enabledItems(const LanguageMenu& menu)
{
    std::vector<int> enabled;
    for (const LanguageMenuItem& item : menu.items())
        if (item.enabled)
            enabled.push_back(item.tag);
    return enabled;
}

std::vector<int> checkedItems(const LanguageMenu& menu)
{
    std::vector<int> checked;
    for (const LanguageMenuItem& item : menu.items())
        if (item.checked)
            checked.push_back(item.tag);
    return checked;
}

// The main window with its translation component, linked when it is created; the link
// controller is created after the language set-up.
class SelectionTest : public testing::Test {
protected:
    SelectionTest() { dispatcher.link(main); }

    void startUp(const StoredSettings& settings, QLocale::Language system = QLocale::English)
    {
        selection.startUp(settings.reader(), dir.path() + '/', system);
        dispatcher.link(link);
    }

    void writeLanguageFile(const QByteArray& bytes)
    {
        QFile file(dir.filePath("Quelta.sib"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QTemporaryDir dir;
    QStringList log;
    LanguageDispatcher dispatcher{[this](const QString& line) { log.append(line); }};
    RecordingForm form;
    TranslationComponent main{FormOwner::MainWindow, &form};
    TranslationComponent link{FormOwner::LinkController};
    LanguageSelection selection{dispatcher, main};
};

struct MaskCase {
    std::optional<QString> stored;
    std::vector<int> enabled;
    QString writtenBack;
};

class MaskTest : public SelectionTest, public testing::WithParamInterface<MaskCase> {};

TEST_P(MaskTest, EnablesExactlyTheItemsMarkedOne)
{
    startUp({1, GetParam().stored});
    EXPECT_EQ(enabledItems(selection.menu()), GetParam().enabled);
    EXPECT_EQ(selection.languageMask(), GetParam().writtenBack);
}

INSTANTIATE_TEST_SUITE_P(
    Masks, MaskTest,
    testing::Values(MaskCase{std::nullopt, {1, 2, 3, 5, 6, 8, 10}, "1110110101000000"},
                    MaskCase{QString("111"), {1, 2, 3}, "1110000000000000"},
                    MaskCase{QString("0000000000000001"), {16}, "0000000000000001"},
                    MaskCase{QString(""), {}, "0000000000000000"},
                    // Only "1" enables.
                    MaskCase{QString("1x1 1Y"), {1, 3, 5}, "1x1 1Y0000000000"},
                    // Past the sixteenth character there are no items; the text is kept for writing back.
                    MaskCase{QString("00000000000000011111"), {16}, "00000000000000011111"},
                    MaskCase{QString("11111111111111110"), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16},
                             "11111111111111110"}));

struct StartCase {
    const char* name;
    std::optional<int> stored;
    QLocale::Language system;
    int languageIndex;  // written back at close
    int active;
    std::vector<int> checked;
};

void PrintTo(const StartCase& c, std::ostream* out)
{
    *out << c.name;
}

class StartTest : public SelectionTest, public testing::WithParamInterface<StartCase> {};

TEST_P(StartTest, TakesTheStoredLanguageOrTheSystemsAndChecksItsItem)
{
    startUp({GetParam().stored, std::nullopt}, GetParam().system);
    EXPECT_EQ(selection.languageIndex(), GetParam().languageIndex);
    EXPECT_EQ(dispatcher.activeLanguage(), GetParam().active);
    EXPECT_EQ(main.activeLanguage(), GetParam().active);
    EXPECT_EQ(link.activeLanguage(), GetParam().active);
    EXPECT_EQ(checkedItems(selection.menu()), GetParam().checked);
}

INSTANTIATE_TEST_SUITE_P(
    Starts, StartTest,
    testing::Values(StartCase{"first_run_german", std::nullopt, QLocale::German, 4, 4, {4}},
                    StartCase{"first_run_catalan", std::nullopt, QLocale::Catalan, 1, 1, {1}},
                    StartCase{"first_run_hungarian", std::nullopt, QLocale::Hungarian, 1, 1, {1}},
                    StartCase{"stored_zero_is_no_choice", 0, QLocale::Swedish, 10, 10, {10}},
                    StartCase{"stored_wins_over_system", 3, QLocale::German, 3, 3, {3}},
                    StartCase{"stored_but_masked_out", 15, QLocale::English, 15, 15, {15}},
                    // Out of range: English, no item checked, the value kept for writing back.
                    StartCase{"stored_too_large", 20, QLocale::German, 20, 1, {}},
                    StartCase{"stored_negative", -2, QLocale::German, -2, 1, {}}),
    [](const testing::TestParamInfo<StartCase>& info) { return std::string(info.param.name); });

TEST_F(SelectionTest, GermanSystemStartsInGermanWhereGermanHasTextsAndEnglishElsewhere)
{
    startUp({}, QLocale::German);

    EXPECT_FALSE(selection.menu().item(4).enabled);
    EXPECT_TRUE(selection.menu().item(4).checked);
    EXPECT_EQ(form.captions["SpTBXItemExit"], "Beenden");
    EXPECT_EQ(form.captions["SpTBXLangX"], "Ihre Sprache");
    EXPECT_EQ(form.captions["btnReset"], "Reset");
    EXPECT_EQ(form.captions["SpTBXItemNextDive"], "Next\nDive");
    EXPECT_EQ(link.getTextOrDefault("IDS_100"), "Keine Basisstation gefunden");
    EXPECT_EQ(link.getTextOrDefault("IDS_104"), "Start Full Scan");
    EXPECT_EQ(selection.yourLanguageMessage(),
              "If you are willing to help translate this program\r\ninto your language, please send me an email.");
}

TEST_F(SelectionTest, EditedLanguageFileInTheDataFolderTakesEffectAtStart)
{
    writeLanguageFile("[Captions]\n" + row("SpTBXItemExit", {"Exit", "", "", "Programm beenden"}) + "[Strings]\n" +
                      row("IDS_104", {"Start Full Scan", "", "", "Vollsuche beginnt"}) + "[End]\n");
    startUp({}, QLocale::German);

    EXPECT_EQ(dispatcher.fileName(), dir.filePath("Quelta.sib"));
    EXPECT_EQ(form.captions["SpTBXItemExit"], "Programm beenden");
    EXPECT_EQ(link.getTextOrDefault("IDS_104"), "Vollsuche beginnt");
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(SelectionTest, BrokenLanguageFileInTheDataFolderLeavesTheBuiltInTexts)
{
    writeLanguageFile("[Captions]\n" + row("SpTBXItemExit", {"Exit", "", "", "Programm beenden"}) +
                      "IDS_104\tStart Full Scan\n[End]\n");
    startUp({}, QLocale::German);

    EXPECT_EQ(form.captions["SpTBXItemExit"], "Beenden");
    EXPECT_EQ(link.getTextOrDefault("IDS_105"), QString::fromUtf8("Keine verfügbaren Ports!"));
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].contains("line 3:")) << log[0].toStdString();
}

TEST_F(SelectionTest, ClickingTheMenuSwitchesTheLanguageAndClickingTheCheckedItemOnlyUnchecksIt)
{
    startUp({});
    ASSERT_EQ(checkedItems(selection.menu()), std::vector<int>{1});
    form.clear();

    selection.click(10);
    EXPECT_EQ(checkedItems(selection.menu()), std::vector<int>{10});
    EXPECT_EQ(selection.languageIndex(), 10);
    EXPECT_EQ(link.getTextOrDefault("IDS_101"), "Inga portar hittades");
    EXPECT_EQ(form.captions["SpTBXItemExit"], "Avsluta");
    form.clear();

    selection.click(10);
    EXPECT_TRUE(checkedItems(selection.menu()).empty());
    EXPECT_EQ(selection.languageIndex(), 10);
    EXPECT_EQ(dispatcher.activeLanguage(), 10);
    EXPECT_EQ(form.calls, 0);

    selection.click(10);
    EXPECT_EQ(checkedItems(selection.menu()), std::vector<int>{10});
    EXPECT_EQ(form.calls, 0);

    // Disabled by the default mask, or no item at all: nothing happens.
    for (const int tag : {4, 0, 17}) {
        selection.click(tag);
        EXPECT_EQ(checkedItems(selection.menu()), std::vector<int>{10}) << tag;
        EXPECT_EQ(selection.languageIndex(), 10) << tag;
    }
    EXPECT_EQ(form.calls, 0);

    selection.click(6);
    EXPECT_EQ(checkedItems(selection.menu()), std::vector<int>{6});
    EXPECT_EQ(form.captions["JLab11"], "G11");
    EXPECT_EQ(selection.yourLanguageMessage(),
              "Se vuoi aiutare a tradurre questo programma\r\nnella tua lingua, mandami un'e-mail.");
}

TEST(LanguageMenu, ListsTheLanguagesInTheirOwnNamesInSubmenuOrder)
{
    const LanguageMenu menu;
    QStringList names;
    QStringList captions;
    for (const LanguageMenuItem& item : menu.inSubmenuOrder()) {
        names.append(item.name);
        captions.append(item.caption);
        EXPECT_EQ(item.name, QStringLiteral("SpTBXLang%1").arg(item.tag));
        EXPECT_TRUE(item.enabled);
        EXPECT_FALSE(item.checked);
    }
    EXPECT_EQ(names, QStringList({"SpTBXLang1", "SpTBXLang15", "SpTBXLang9", "SpTBXLang4", "SpTBXLang5",
                                  "SpTBXLang3", "SpTBXLang7", "SpTBXLang6", "SpTBXLang16", "SpTBXLang2",
                                  "SpTBXLang14", "SpTBXLang12", "SpTBXLang11", "SpTBXLang10", "SpTBXLang8",
                                  "SpTBXLang13"}));
    EXPECT_EQ(captions, QString::fromUtf8("English,català,Dansk,Deutsch,Español,Français,Hrvatski,Italiano,Magyar,"
                                          "Nederland,Norsk,Polski,Русский,Svenska,Türkçe,Chinese")
                            .split(u','));
}

} // namespace
