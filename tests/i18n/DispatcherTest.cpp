// The language dispatcher and the translation components of the two forms.
#include "I18nTestSupport.h"
#include "LanguageDispatcher.h"
#include "RecordingForm.h"
#include "TranslationComponent.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr int German = 4;
constexpr int Italian = 6;
constexpr int Swedish = 10;
constexpr int Polski = 12;

QString builtinText(Table table, const QString& key, int language)
{
    return builtinTranslations().text(table, key, language);
}

class DispatcherTest : public testing::Test {
protected:
    QString writeFile(const QByteArray& bytes)
    {
        const QString path = dir.filePath("Quelta.sib");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        return path;
    }

    QTemporaryDir dir;
    QStringList log;
    LanguageDispatcher dispatcher{[this](const QString& line) { log.append(line); }};
    RecordingForm form;
    TranslationComponent main{FormOwner::MainWindow, &form};
    TranslationComponent link{FormOwner::LinkController};
};

TEST_F(DispatcherTest, LinkingShowsTheActiveLanguageOnTheForm)
{
    dispatcher.link(main);
    EXPECT_EQ(form.captions.size(), 65u);
    EXPECT_EQ(form.captions["SpTBXItemNextDive"], "Next\nDive");
    EXPECT_EQ(form.items["rgDCS"], QStringList({"ON", "OFF"}));
    EXPECT_EQ(form.items["rgCompatibility"], QStringList({"V3", "V2"}));
    EXPECT_EQ(main.activeLanguage(), 1);
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(DispatcherTest, SvenskaSwitchesEveryTranslatedTextOfBothFormsAndNothingExcluded)
{
    dispatcher.link(main);
    dispatcher.link(link);
    form.clear();

    dispatcher.setActiveLanguage(Swedish);

    EXPECT_EQ(dispatcher.activeLanguage(), Swedish);
    ASSERT_EQ(form.captions.size(), 65u);
    for (const TranslationEntry& entry : builtinTranslations().table(Table::Captions).entries())
        EXPECT_EQ(form.captions[entry.key], entry.text(Swedish)) << entry.key.toStdString();
    EXPECT_EQ(form.captions["JLab0"], "D0");
    EXPECT_EQ(form.captions["SpTBXItemNextDive"], QString::fromUtf8("Nästa\nhopp"));
    EXPECT_EQ(form.items["rgDCS"], QStringList({QString::fromUtf8("PÅ"), "AV"}));
    EXPECT_EQ(form.items.size(), 2u);
    for (const char* excluded : {"lblFirmware", "lblPort", "lblChannel", "lblEcho", "lblKVVer", "lblTime", "J0",
                                 "J11", "LED0", "Pad0", "rgBandwidth", "SpTBXLang10", "lblRX", "frmMain"})
        EXPECT_EQ(form.captions.count(excluded) + form.items.count(excluded), 0u) << excluded;

    EXPECT_EQ(main.getTextOrDefault("IDS_1"), QString::fromUtf8("Om du vill hjälpa till att översätta programmet"));
    EXPECT_EQ(link.getTextOrDefault("IDS_104"), QString::fromUtf8("Startar fullständig sökning"));
    EXPECT_EQ(main.dialogText("Yes"), "&Ja");
    EXPECT_EQ(link.activeLanguage(), Swedish);
}

struct Lookup {
    int language;
    FormOwner owner;
    const char* id;
    const char* expected;  // UTF-8
};

class LookupTest : public DispatcherTest, public testing::WithParamInterface<Lookup> {};

TEST_P(LookupTest, GivesTheActiveLanguageOrEnglishOrNothing)
{
    dispatcher.link(main);
    dispatcher.link(link);
    dispatcher.setActiveLanguage(GetParam().language);
    const TranslationComponent& owner = GetParam().owner == FormOwner::MainWindow ? main : link;
    EXPECT_EQ(owner.getTextOrDefault(GetParam().id), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Messages, LookupTest,
    testing::Values(
        Lookup{1, FormOwner::LinkController, "IDS_104", "Start Full Scan"},
        Lookup{1, FormOwner::LinkController, "IDS_106", "Available port numbers: "},
        Lookup{1, FormOwner::MainWindow, "IDS_3", "Unable to locate Common Application Data folder."},
        // Polski has no messages at all: everything comes in English.
        Lookup{Polski, FormOwner::MainWindow, "IDS_1", "If you are willing to help translate this program"},
        Lookup{Polski, FormOwner::MainWindow, "IDS_9", "Enter a command"},
        Lookup{Polski, FormOwner::LinkController, "IDS_100", "No Base Station found"},
        Lookup{Polski, FormOwner::LinkController, "IDS_106", "Available port numbers: "},
        // German fills some: the rest falls back to English.
        Lookup{German, FormOwner::LinkController, "IDS_100", "Keine Basisstation gefunden"},
        Lookup{German, FormOwner::LinkController, "IDS_104", "Start Full Scan"},
        Lookup{Italian, FormOwner::LinkController, "IDS_106", "Numeri di porta disponibili: "},
        // A message is found only through the component of the form that owns it.
        Lookup{1, FormOwner::MainWindow, "IDS_104", ""},
        Lookup{1, FormOwner::LinkController, "IDS_1", ""},
        Lookup{1, FormOwner::MainWindow, "IDS_7", ""},
        Lookup{1, FormOwner::MainWindow, "btnReset", ""}));

TEST_F(DispatcherTest, DialogTextsComeInTheActiveLanguageWithTheirAccelerator)
{
    dispatcher.link(main);
    EXPECT_EQ(main.dialogText("Yes"), "&Yes");
    EXPECT_EQ(main.dialogText("OK"), "OK");
    dispatcher.setActiveLanguage(German);
    EXPECT_EQ(main.dialogText("No"), "&Nein");
    EXPECT_EQ(main.dialogText("Error"), "Fehler");
    EXPECT_EQ(main.dialogText("Print"), "&Print") << "German has no print dialog texts";
    EXPECT_TRUE(main.dialogText("&Yes").isEmpty()) << "keyed without the accelerator";
    EXPECT_TRUE(link.dialogText("OK").isEmpty()) << "the main window carries the dialog texts";
}

TEST_F(DispatcherTest, IgnoresAnyNumberThatIsNoOtherLanguage)
{
    dispatcher.link(main);
    dispatcher.setActiveLanguage(Italian);
    form.clear();
    for (const int number : {0, -1, 17, 1000, Italian}) {
        dispatcher.setActiveLanguage(number);
        EXPECT_EQ(dispatcher.activeLanguage(), Italian) << number;
    }
    EXPECT_EQ(form.calls, 0);
    EXPECT_EQ(main.activeLanguage(), Italian);
}

TEST_F(DispatcherTest, LanguageFileReplacesTheBuiltInTextsOfBothFormsKeyByKey)
{
    dispatcher.link(main);
    dispatcher.setActiveLanguage(Italian);
    const QString path =
        writeFile("[Captions]\n" + row("btnReset", {"Restart", "", "", "", "", "Azzera"}) +
                  row("lblFirmware", {"excluded"}) + row("J0", {"excluded"}) + "[Strings]\n" +
                  row("IDS_104", {"Starting the full scan", "", "", "", "", "Inizio ricerca completa"}) +
                  row("IDS_1", {"Would you translate", "", "", "", "", ""}) + "[End]\n");
    dispatcher.setFileName(path);
    form.clear();

    EXPECT_FALSE(dispatcher.loadAllFromFile(path));

    // The forms show the active language from the file at once.
    EXPECT_EQ(form.captions["btnReset"], "Azzera");
    EXPECT_EQ(form.captions["btnAbort"], builtinText(Table::Captions, "btnAbort", Italian));
    EXPECT_EQ(form.captions.count("lblFirmware") + form.captions.count("J0"), 0u);
    EXPECT_EQ(main.getTextOrDefault("IDS_1"), "Would you translate") << "Italian now empty: English of the file";
    EXPECT_EQ(main.getTextOrDefault("IDS_2"), builtinText(Table::Strings, "IDS_2", Italian));
    // The link controller's form, created later, loads the file on linking.
    dispatcher.link(link);
    EXPECT_EQ(link.getTextOrDefault("IDS_104"), "Inizio ricerca completa");
    EXPECT_EQ(link.getTextOrDefault("IDS_105"), builtinText(Table::Strings, "IDS_105", Italian));
    // The names that are not the program's are reported once, with their lines.
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].contains("'lblFirmware' (line 3)")) << log[0].toStdString();
    EXPECT_TRUE(log[0].contains("'J0' (line 4)"));
}

// The window selects its radio items by index, so a file whose English gives a list another
// number of items than the window's must not reach the form: with one item, rgDCS would have had
// no item for "off" (found by the language file fuzzer).
TEST_F(DispatcherTest, AnItemListWithAnotherNumberOfItemsThanTheWindowsIsIgnored)
{
    dispatcher.link(main);
    dispatcher.setActiveLanguage(Italian);
    const QString path = writeFile("[Items]\n" + row("rgDCS.Items", {"On", "", "", "", "", "Acceso"})
                                   + row("rgCompatibility.Items", {"V3,V2", "", "", "", "", "Tre,Due"}) + "[End]\n");
    dispatcher.setFileName(path);
    form.clear();

    EXPECT_FALSE(dispatcher.loadAllFromFile(path));

    EXPECT_EQ(form.items["rgDCS"], builtinText(Table::Items, "rgDCS.Items", Italian).split(u','));
    EXPECT_EQ(form.items["rgCompatibility"], (QStringList{"Tre", "Due"}));
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].contains("not as many items as the window has, ignored: 'rgDCS.Items' (line 2)"))
        << log[0].toStdString();
}

TEST_F(DispatcherTest, NoLanguageFileKeepsTheBuiltInData)
{
    dispatcher.setFileName(dir.filePath("Quelta.sib"));
    dispatcher.link(link);
    EXPECT_EQ(link.getTextOrDefault("IDS_104"), "Start Full Scan");
    EXPECT_TRUE(log.isEmpty());
}

struct CorruptFile {
    const char* name;
    QByteArray bytes;
    int line;
};

void PrintTo(const CorruptFile& c, std::ostream* out)
{
    *out << c.name;
}

// A sound first half that would change btnReset and IDS_104, then the fault.
const QByteArray SoundStart =
    "[Captions]\n" + row("btnReset", {"Restart", "", "", "", "", "Azzera"}) + "[Strings]\n";  // lines 1-3

class CorruptLanguageFileTest : public DispatcherTest, public testing::WithParamInterface<CorruptFile> {};

TEST_P(CorruptLanguageFileTest, KeepsTheBuiltInDataAndLogsOneLineWithTheLine)
{
    dispatcher.link(main);
    dispatcher.setActiveLanguage(Italian);
    form.clear();
    const QString path = writeFile(GetParam().bytes);
    dispatcher.setFileName(path);

    const auto error = dispatcher.loadAllFromFile(path);
    dispatcher.link(link);

    ASSERT_TRUE(error);
    EXPECT_EQ(error->line, GetParam().line);
    EXPECT_EQ(form.calls, 0) << "nothing applied";
    EXPECT_EQ(main.data().text(Table::Captions, "btnReset", Italian), builtinText(Table::Captions, "btnReset", Italian));
    EXPECT_EQ(link.getTextOrDefault("IDS_104"), builtinText(Table::Strings, "IDS_104", Italian));
    ASSERT_EQ(log.size(), 1) << "reported once, not again when the second form links";
    EXPECT_TRUE(log[0].contains(path));
    EXPECT_TRUE(log[0].contains(QStringLiteral("line %1:").arg(GetParam().line))) << log[0].toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Files, CorruptLanguageFileTest,
    testing::Values(CorruptFile{"truncated", SoundStart + "IDS_104\tStarting the full scan\t\t", 4},
                    CorruptFile{"truncated_at_a_line_end", SoundStart + row("IDS_104", {"Starting"}), 5},
                    CorruptFile{"wrong_columns", SoundStart + "IDS_104\tStarting\tAvvio\n[End]\n", 4},
                    CorruptFile{"invalid_utf8", SoundStart + row("IDS_104", {"Avvio", "XX"}).replace("XX", "\xFF\xFE") +
                                                    "[End]\n",
                                4}),
    [](const testing::TestParamInfo<CorruptFile>& info) { return std::string(info.param.name); });

TEST_F(DispatcherTest, EitherSideMayGoFirst)
{
    auto early = std::make_unique<TranslationComponent>(FormOwner::LinkController);
    dispatcher.link(*early);
    early.reset();
    dispatcher.link(main);
    dispatcher.setActiveLanguage(Swedish);
    EXPECT_EQ(main.activeLanguage(), Swedish);

    RecordingForm other;
    TranslationComponent outliving(FormOwner::MainWindow, &other);
    {
        LanguageDispatcher shortLived;
        shortLived.link(outliving);
    }
    EXPECT_EQ(outliving.getTextOrDefault("IDS_4"), "This is a Critical Error.");
}

} // namespace
