#include "Main.h"

#include "FileVerInf.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace {

const QString General = QStringLiteral("General");

} // namespace

QueltaProgram::QueltaProgram(std::function<void(QMessageBox&)> presentMessage)
    : dispatcher_([this](const QString& line) { model_.LogLine(line); }),
      model_(state_, locale_, siLangRT1_),
      window_(model_, loop_),
      selection_(dispatcher_, siLangRT1_)
{
    texts_.attach(window_);
    window_.presentMessage = std::move(presentMessage);
    window_.onClose = [this] { FormClose(); };
    window_.onHelpClicked = [this] { SpTBXItemHelpClick(); };
    window_.onYourLanguageClicked = [this] {
        window_.showMessage(QMessageBox::Information, selection_.yourLanguageMessage());
    };
    window_.onLanguageClicked = [this](int tag) {
        selection_.click(tag);
        syncLanguageMenu();
    };
    window_.dialogText = [this](const QString& english) { return dialogText(english); };
    FormCreate();

    // The link controller comes after the main window, as its creation expects.
    catalog_ = std::make_unique<SystemPortCatalog>(paths_.DataDir);
    siLang1_ = std::make_unique<TranslationComponent>(FormOwner::LinkController);
    dispatcher_.link(*siLang1_);
    kivos_ = std::make_unique<TKivosForm>(LinkPlatform{loop_, device_, *catalog_, locale_, *siLang1_}, state_, model_);
    kivos_->FormCreate();
    kivos_->ComPort.setOnActivity([this](bool receive) { window_.lightActivity(receive); });
    model_.setLink(kivos_.get());
}

QueltaProgram::~QueltaProgram()
{
    model_.setLink(nullptr);
    if (kivos_)
        kivos_->FormDestroy();
    if (siLang1_)
        dispatcher_.unlink(*siLang1_);
}

QString QueltaProgram::dialogText(const QString& english) const
{
    const QString text = siLangRT1_.dialogText(english);
    return text.isEmpty() ? english : text;
}

void QueltaProgram::ObtainVersionInfo()
{
    TFileVersionInfo FVInfo;
    try {
        VersionText = FVInfo.StrVerFileVersion();
    } catch (const VersionInfoError& e) {
        VersionText = e.text();
    }
}

void QueltaProgram::FormCreate()
{
    state_.BaseIsEra = true;
    paths_.ExeDir = QCoreApplication::applicationDirPath() + QDir::separator();
    ObtainVersionInfo();
    window_.setWindowTitle(QStringLiteral("Kivo Utility v ") + VersionText);
#ifdef Q_OS_WIN
    paths_.HelpPath = paths_.ExeDir + QStringLiteral("Quelta_Help.exe");
#else
    paths_.HelpPath = paths_.ExeDir + QStringLiteral("Quelta_Help");
#endif
    // The window's translation component belongs to it from the start, as on the form.
    dispatcher_.link(siLangRT1_);
    paths_.DataDir = dataFolder();
    if (paths_.DataDir.isEmpty()) {
        // Before any language is chosen, so always in English; the window keeps its design
        // state, the language menu included: every item enabled, none checked.
        state_.BandwidthIndex = 0;
        buildLanguageMenu();
        window_.showMessage(QMessageBox::Critical, siLangRT1_.getTextOrDefault(QStringLiteral("IDS_3"))
                                                       + QStringLiteral("\r\n")
                                                       + siLangRT1_.getTextOrDefault(QStringLiteral("IDS_4")));
        return;
    }
    SettingsFile.emplace(paths_.DataDir + QStringLiteral("Quelta.ini"));
    model_.SampleDiveIndex = 0;
    model_.PadCount = 0;
    window_.applyStartState();

    const LanguageSettingsReader reader{
        [this](const QString& key, int def) { return SettingsFile->readInteger(General, key, def); },
        [this](const QString& key, const QString& def) { return SettingsFile->readString(General, key, def); }};
    // The default locale is the system's unless someone (a test) has set another.
    selection_.startUp(reader, paths_.DataDir, QLocale().language());
    buildLanguageMenu();

    model_.setDeveloperMode(SettingsFile->readBool(General, QStringLiteral("Developer"), false));
    state_.BandwidthIndex = 4;
    model_.rgBandwidth = 4;
    window_.applyModel();
}

void QueltaProgram::FormClose()
{
    if (SettingsFile) {
        // There is no installer to create the folder: make it, so a first run keeps its settings.
        QDir().mkpath(paths_.DataDir);
        bool written = SettingsFile->writeInteger(General, QStringLiteral("Language"), selection_.languageIndex());
        written = SettingsFile->writeString(General, QStringLiteral("Languages"), selection_.languageMask()) && written;
        written = SettingsFile->writeBool(General, QStringLiteral("Developer"), model_.DeveloperMode()) && written;
        if (!written)
            model_.LogLine(QStringLiteral("Error: settings not written to ") + SettingsFile->path());
    }
    if (kivos_ && kivos_->ComPort.IsOpen())
        kivos_->ComPort.Close();
    SettingsFile.reset();
}

void QueltaProgram::SpTBXItemHelpClick()
{
    // The result is not examined: a missing help program gives no message of ours.
#ifdef Q_OS_WIN
    QDesktopServices::openUrl(QUrl::fromLocalFile(paths_.HelpPath));
#else
    // The shell's "open" of a program file shows it in some viewer instead of starting it.
    QProcess::startDetached(paths_.HelpPath, {}, paths_.ExeDir);
#endif
}

void QueltaProgram::buildLanguageMenu()
{
    QMenu* menu = window_.languageMenu();
    menu->clear();
    auto* group = new QActionGroup(menu);
    // Clicking the checked item takes its mark away and leaves no item checked.
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (const LanguageMenuItem& item : selection_.menu().inSubmenuOrder()) {
        QAction* a = menu->addAction(item.caption);
        a->setObjectName(item.name);
        a->setCheckable(true);
        a->setData(item.tag);
        group->addAction(a);
        QObject::connect(a, &QAction::triggered, &window_, [this, tag = item.tag] {
            loop_.runGuarded([this, tag] {
                if (window_.onLanguageClicked)
                    window_.onLanguageClicked(tag);
            });
        });
    }
    menu->addAction(window_.action(QStringLiteral("SpTBXLangX")));
    syncLanguageMenu();
}

void QueltaProgram::syncLanguageMenu()
{
    for (QAction* a : window_.languageMenu()->actions()) {
        if (!a->isCheckable())
            continue;
        const LanguageMenuItem& item = selection_.menu().item(a->data().toInt());
        a->setEnabled(item.enabled);
        a->setChecked(item.checked);
    }
}
