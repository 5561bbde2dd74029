// Start and close of the program: paths, caption, the settings file, the missing data folder,
// the developer controls and Help.
#include "ProgramFixture.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLabel>
#include <QThread>

namespace {

const std::vector<int> defaultMaskItems = {1, 2, 3, 5, 6, 8, 10};

struct FirstRunCase {
    QLocale::Language system;
    int language;
};

class FirstRun : public ProgramTest, public ::testing::WithParamInterface<FirstRunCase> {};

TEST_P(FirstRun, TakesTheSystemLanguageAndWritesTheDefaultsAtClose)
{
    QLocale::setDefault(QLocale(GetParam().system));
    ASSERT_FALSE(QFileInfo::exists(dataDir()));
    auto program = start();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(checkedLanguages(*program), std::vector<int>{GetParam().language});
    EXPECT_EQ(enabledLanguages(*program), defaultMaskItems);
    for (const char* name : {"btnCmd", "edtCommand", "rgBandwidth"})
        EXPECT_FALSE(program->window().widget(QString::fromLatin1(name))->isVisible()) << name;
    EXPECT_FALSE(program->window().action(QStringLiteral("SpTBXCharTest"))->isVisible());

    close(*program);
    // The data folder did not exist: it is made, so that the first run keeps its settings.
    EXPECT_EQ(iniLines(), (QStringList{"[General]", QStringLiteral("Language=%1").arg(GetParam().language),
                                       "Languages=1110110101000000", "Developer=0"}));
}

INSTANTIATE_TEST_SUITE_P(Program, FirstRun,
                         ::testing::Values(FirstRunCase{QLocale::English, 1}, FirstRunCase{QLocale::Swedish, 10},
                                           FirstRunCase{QLocale::German, 4}, FirstRunCase{QLocale::Catalan, 1},
                                           FirstRunCase{QLocale::Hungarian, 1}),
                         [](const auto& info) { return QLocale::languageToString(info.param.system).toStdString(); });

TEST_F(ProgramTest, AStoredFileKeepsEveryOtherLineAndItsShortMaskComesBackExtended)
{
    writeDataFile(QStringLiteral("Quelta.ini"), "; written by hand\r\n"
                                                "[Other]\r\n"
                                                "Language=3\r\n"
                                                "\r\n"
                                                "[general]\r\n"
                                                "languages=111\r\n"
                                                "Extra=kept\r\n"
                                                "LANGUAGE=10\r\n");
    auto program = start();
    EXPECT_EQ(enabledLanguages(*program), (std::vector<int>{1, 2, 3}));
    // The mask only fills the menu: Swedish is active although its item is disabled.
    EXPECT_EQ(checkedLanguages(*program), std::vector<int>{10});
    EXPECT_FALSE(languageItem(*program, 10)->isEnabled());
    EXPECT_EQ(program->window().caption(QStringLiteral("btnAbort")), "Avbryt test");

    close(*program);
    EXPECT_EQ(iniLines(), (QStringList{"; written by hand", "[Other]", "Language=3", "", "[general]",
                                       "languages=1110000000000000", "Extra=kept", "LANGUAGE=10", "Developer=0"}));
}

struct DeveloperCase {
    const char* stored;
    bool on;
};

class DeveloperSetting : public ProgramTest, public ::testing::WithParamInterface<DeveloperCase> {};

TEST_P(DeveloperSetting, ShowsTheDeveloperControlsAndIsWrittenBackAsADigit)
{
    writeDataFile(QStringLiteral("Quelta.ini"),
                  QByteArray("[General]\nLanguage=1\nDeveloper=") + GetParam().stored + "\n");
    auto program = start();
    for (const char* name : {"btnCmd", "edtCommand", "rgBandwidth"})
        EXPECT_EQ(program->window().widget(QString::fromLatin1(name))->isVisible(), GetParam().on) << name;
    EXPECT_EQ(program->window().action(QStringLiteral("SpTBXCharTest"))->isVisible(), GetParam().on);
    EXPECT_FALSE(program->window().action(QStringLiteral("SpTBXCharTest"))->isEnabled()); // no pads yet
    close(*program);
    const QStringList lines = iniLines();
    EXPECT_EQ(lines.count(QStringLiteral("Developer=1")), GetParam().on ? 1 : 0);
    EXPECT_EQ(lines.count(QStringLiteral("Developer=0")), GetParam().on ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Program, DeveloperSetting,
                         ::testing::Values(DeveloperCase{"1", true}, DeveloperCase{"true", false},
                                           DeveloperCase{"0", false}, DeveloperCase{"0x1", true},
                                           DeveloperCase{"-1", true}, DeveloperCase{"", false},
                                           DeveloperCase{"1x", false}),
                         [](const auto& info) { return std::to_string(info.index); });

TEST_F(ProgramTest, TheCaptionCarriesTheProgramFilesVersion)
{
    auto program = start();
    EXPECT_EQ(program->window().windowTitle(), QStringLiteral("Kivo Utility v " QUELTA_PROJECT_VERSION));
}

TEST_F(ProgramTest, WithoutXdgConfigHomeTheFolderIsUnderHome)
{
    qunsetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(config_.path()));
    auto program = start();
    close(*program);
    EXPECT_TRUE(QFileInfo::exists(config_.path() + QStringLiteral("/.config/Orvane/TarnwickUtils/Quelta.ini")));
}

TEST_F(ProgramTest, WithoutADataFolderTheWindowKeepsItsDesignStateAndNothingIsWritten)
{
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("HOME");
    auto program = start();
    TfrmMain& w = program->window();

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
    EXPECT_EQ(messages[0].title, "Error");
    EXPECT_EQ(messages[0].text, "Unable to locate Common Application Data folder.\r\nThis is a Critical Error.");
    EXPECT_EQ(messages[0].button, "OK");

    EXPECT_EQ(w.caption(QStringLiteral("lblFirmware")), "version");
    EXPECT_EQ(w.caption(QStringLiteral("lblPort")), "port");
    EXPECT_EQ(w.caption(QStringLiteral("lblChannel")), "chan");
    EXPECT_EQ(w.caption(QStringLiteral("lblKVVer")), "version");
    EXPECT_EQ(w.caption(QStringLiteral("lblEcho")), "lblEcho");
    EXPECT_EQ(w.caption(QStringLiteral("lblTime")), "lblTime");
    EXPECT_TRUE(w.widget(QStringLiteral("lblTime"))->isVisible());
    for (int j = 0; j < 12; ++j)
        EXPECT_EQ(w.caption(QStringLiteral("J%1").arg(j)), "10.0") << j;
    for (const char* name : {"SpTBXItemExit", "SpTBXSubmenuItemScans", "SpTBXItemFullScan", "SpTBXItemActivePort",
                             "SpTBXItemHidden", "SpTBXItemNextDive", "SpTBXSubmenuItemCommand", "SpTBXItemJudge",
                             "SpTBXItemLock", "SpTBXItemUnlock", "SpTBXItemEcho", "SpTBXCharTest",
                             "SpTBXSubmenuItemLang", "SpTBXItemHelp", "SpTBXLangX"})
        EXPECT_TRUE(w.action(QString::fromLatin1(name))->isEnabled()) << name;
    EXPECT_EQ(enabledLanguages(*program).size(), 16u);
    EXPECT_TRUE(checkedLanguages(*program).empty());
    EXPECT_TRUE(w.languageMenu()->actions().contains(w.action(QStringLiteral("SpTBXLangX"))));
    for (const char* name : {"btnCmd", "edtCommand", "rgBandwidth"})
        EXPECT_TRUE(w.widget(QString::fromLatin1(name))->isVisible()) << name;
    EXPECT_TRUE(w.action(QStringLiteral("SpTBXCharTest"))->isVisible());
    EXPECT_FALSE(w.widget(QStringLiteral("rgCompatibility"))->isVisible());
    EXPECT_TRUE(w.widget(QStringLiteral("rgBandwidth"))->findChildren<QRadioButton*>().at(4)->isChecked());
    EXPECT_EQ(w.caption(QStringLiteral("btnAbort")), "Abort test");

    close(*program);
    EXPECT_TRUE(QDir(config_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_TRUE(program->model().log.isEmpty());
}

TEST_F(ProgramTest, YourLanguageAsksForHelpInTheActiveLanguage)
{
    auto program = start();
    program->window().action(QStringLiteral("SpTBXLangX"))->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Information);
    EXPECT_EQ(messages[0].title, "Information");
    EXPECT_EQ(messages[0].text,
              "If you are willing to help translate this program\r\ninto your language, please send me an email.");
    EXPECT_EQ(messages[0].button, "OK");
}

TEST_F(ProgramTest, HelpStartsTheHelpProgramBesideItAndSaysNothingWhenItIsMissing)
{
    const QString help = QCoreApplication::applicationDirPath() + QStringLiteral("/Quelta_Help");
    const QString mark = config_.path() + QStringLiteral("/help-started");
    auto program = start();
    ASSERT_EQ(program->paths().HelpPath, help);

    QFile::remove(help);
    program->window().action(QStringLiteral("SpTBXItemHelp"))->trigger();
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(program->model().log.isEmpty());

    {
        QFile script(help);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QByteArray("#!/bin/sh\ntouch '") + QFile::encodeName(mark) + "'\n");
    }
    QFile::setPermissions(help, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    program->window().action(QStringLiteral("SpTBXItemHelp"))->trigger();
    QDeadlineTimer deadline(10000);
    while (!QFileInfo::exists(mark) && !deadline.hasExpired())
        QThread::msleep(10);
    QFile::remove(help);
    EXPECT_TRUE(QFileInfo::exists(mark));
    EXPECT_TRUE(messages.empty());
}

} // namespace
