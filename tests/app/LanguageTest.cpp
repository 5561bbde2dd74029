// The languages of the running program: the system's at the first start, a switch from the
// menu for both forms at once, and a translator's language file.
#include "BuiltinTranslations.h"
#include "ProgramFixture.h"

namespace {

// Every caption of the main window that the translation data holds, as that language shows it.
void expectCaptionsIn(QueltaProgram& program, int language)
{
    const TranslationTable& captions = builtinTranslations().table(Table::Captions);
    ASSERT_EQ(captions.entries().size(), 65u);
    for (const TranslationEntry& entry : captions.entries()) {
        QString expected = captions.text(entry.key, language);
        EXPECT_EQ(program.window().caption(entry.key), expected) << entry.key.toStdString() << " in " << language;
    }
    const TranslationTable& items = builtinTranslations().table(Table::Items);
    for (const char* group : {"rgDCS", "rgCompatibility"})
        EXPECT_EQ(ProgramTest::radioItems(program, QString::fromLatin1(group)),
                  items.text(QString::fromLatin1(group) + QStringLiteral(".Items"), language).split(u','))
            << group;
}

QString message(const QString& id, int language)
{
    return builtinTranslations().text(Table::Strings, id, language);
}

int differentFromEnglish(int language)
{
    const TranslationTable& captions = builtinTranslations().table(Table::Captions);
    int n = 0;
    for (const TranslationEntry& entry : captions.entries())
        n += captions.text(entry.key, language) != entry.text(1) ? 1 : 0;
    return n;
}

TEST_F(ProgramTest, AGermanSystemStartsInGermanWhereGermanHasATextAndEnglishElsewhere)
{
    ASSERT_GT(differentFromEnglish(4), 0);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    auto program = start();
    expectCaptionsIn(*program, 4);
    EXPECT_NE(program->window().caption(QStringLiteral("btnAbort")), QString()); // English stands in
    EXPECT_EQ(checkedLanguages(*program), std::vector<int>{4});
    EXPECT_FALSE(languageItem(*program, 4)->isEnabled());
    EXPECT_EQ(program->linkMessages().Text(QStringLiteral("IDS_104")), message(QStringLiteral("IDS_104"), 4));
}

TEST_F(ProgramTest, SvenskaFromTheMenuSwitchesBothFormsAndLeavesTheLinkTextsAlone)
{
    ASSERT_GT(differentFromEnglish(10), 50); // a switch that changed nothing would pass otherwise
    auto program = start();
    TfrmMain& w = program->window();
    expectCaptionsIn(*program, 1);
    // What the link and the echo test wrote, and the caption with the version.
    const std::pair<const char*, const char*> shown[] = {
        {"lblFirmware", "ERA400TRS-V1.02.3"}, {"lblPort", "7"}, {"lblChannel", "7"}, {"J3", "7.5"},
        {"J10", "8.0"}, {"Pad0", "0     10     0      0     0"}, {"lblEcho", "cJ11  0<CR>"}, {"lblTime", "0:00:22"}};
    for (const auto& [name, text] : shown)
        w.setCaption(QString::fromLatin1(name), QString::fromLatin1(text));
    const QString title = w.windowTitle();

    QAction* svenska = languageItem(*program, 10);
    ASSERT_EQ(svenska->text(), "Svenska");
    svenska->trigger();

    expectCaptionsIn(*program, 10);
    for (const auto& [name, text] : shown)
        EXPECT_EQ(w.caption(QString::fromLatin1(name)), QString::fromLatin1(text)) << name;
    EXPECT_EQ(w.windowTitle(), title);
    EXPECT_EQ(languageItem(*program, 4)->text(), "Deutsch"); // the items keep their own languages
    EXPECT_EQ(checkedLanguages(*program), std::vector<int>{10});
    for (const char* id : {"IDS_100", "IDS_101", "IDS_103", "IDS_104", "IDS_105", "IDS_106"}) {
        EXPECT_EQ(program->linkMessages().Text(QString::fromLatin1(id)), message(QString::fromLatin1(id), 10)) << id;
        EXPECT_NE(message(QString::fromLatin1(id), 10), message(QString::fromLatin1(id), 1)) << id;
    }
    w.action(QStringLiteral("SpTBXLangX"))->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, message(QStringLiteral("IDS_1"), 10) + QStringLiteral("\r\n")
                                    + message(QStringLiteral("IDS_2"), 10));
    EXPECT_EQ(messages[0].title, builtinTranslations().text(Table::DialogTexts, QStringLiteral("Information"), 10));

    // Clicking the checked item again only takes its mark away.
    svenska->trigger();
    EXPECT_TRUE(checkedLanguages(*program).empty());
    expectCaptionsIn(*program, 10);

    close(*program);
    EXPECT_TRUE(iniLines().contains(QStringLiteral("Language=10")));
}

// The built-in data with btnAbort and IDS_104 reworded in English and Swedish.
QByteArray editedLanguageFile()
{
    QFile f(QStringLiteral(QUELTA_TRANSLATIONS));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = f.readAll().split('\n');
    for (QByteArray& line : lines) {
        QList<QByteArray> columns = line.split('\t');
        if (columns.size() != 17)
            continue;
        if (columns[0] == "btnAbort") {
            columns[1] = "Stop the test";
            columns[10] = "Stoppa testet";
        } else if (columns[0] == "IDS_104") {
            columns[1] = "Full scan begins";
            columns[10] = "Hela s\xc3\xb6kningen b\xc3\xb6rjar";
        }
        line = columns.join('\t');
    }
    return lines.join('\n');
}

TEST_F(ProgramTest, ATranslatorsLanguageFileTakesEffectAtTheNextStart)
{
    {
        auto program = start();
        EXPECT_EQ(program->window().caption(QStringLiteral("btnAbort")), "Abort test");
        close(*program);
    }
    writeDataFile(QStringLiteral("Quelta.sib"), editedLanguageFile());
    auto program = start();
    EXPECT_EQ(program->window().caption(QStringLiteral("btnAbort")), "Stop the test");
    EXPECT_EQ(program->linkMessages().Text(QStringLiteral("IDS_104")), "Full scan begins");
    EXPECT_EQ(program->window().caption(QStringLiteral("btnReset")), "Reset"); // the rest as built in
    languageItem(*program, 10)->trigger();
    EXPECT_EQ(program->window().caption(QStringLiteral("btnAbort")), "Stoppa testet");
    EXPECT_EQ(program->linkMessages().Text(QStringLiteral("IDS_104")), QString::fromUtf8("Hela s\xc3\xb6kningen b\xc3\xb6rjar"));
    EXPECT_TRUE(program->model().log.isEmpty());
}

TEST_F(ProgramTest, ALanguageFileCutShortLeavesTheBuiltInTextsAndSaysSoInTheLog)
{
    QByteArray file = editedLanguageFile();
    file.truncate(file.indexOf("[End]"));
    writeDataFile(QStringLiteral("Quelta.sib"), file);
    auto program = start();
    EXPECT_EQ(program->window().caption(QStringLiteral("btnAbort")), "Abort test");
    EXPECT_EQ(program->linkMessages().Text(QStringLiteral("IDS_104")), "Start Full Scan");
    ASSERT_EQ(program->model().log.size(), 1);
    EXPECT_TRUE(program->model().log[0].contains(QStringLiteral("Quelta.sib"))) << program->model().log[0].toStdString();
    EXPECT_TRUE(messages.empty());
}

} // namespace
