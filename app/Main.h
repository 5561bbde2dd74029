#pragma once
#include "DataFolder.h"
#include "Kivos.h"
#include "LanguageDispatcher.h"
#include "LanguageSelection.h"
#include "LinkState.h"
#include "LocaleFacts.h"
#include "MainWindow.h"
#include "PortCatalog.h"
#include "ProfileFile.h"
#include "QtEventLoop.h"
#include "QtSerialDevice.h"
#include "TranslatableForm.h"
#include "TranslationComponent.h"
#include "WindowModel.h"

#include <QMessageBox>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// The paths the rest of the program uses.
struct ProgramPaths {
    QString ExeDir;   // folder of the program file, with a trailing separator
    QString HelpPath; // the help program beside it
    QString DataDir;  // settings and language file; empty when it cannot be determined
};

// The main window's texts as its translation component sets them. The component exists before
// the window it translates, so the window is attached afterwards.
class MainWindowTexts : public TranslatableForm {
public:
    void attach(TfrmMain& window) { window_ = &window; }
    void setCaption(const QString& component, const QString& text) override
    {
        if (window_)
            window_->setCaption(component, text);
    }
    void setItems(const QString& component, const QStringList& items) override
    {
        if (window_)
            window_->setItems(component, items);
    }

private:
    TfrmMain* window_ = nullptr;
};

// The whole program: the main window with its settings and languages, then the link
// controller, on Qt's event loop and the real serial port.
class QueltaProgram {
public:
    // presentMessage shows the window's message boxes (exec() when empty); set before the
    // creation handler, which may already have one to show.
    explicit QueltaProgram(std::function<void(QMessageBox&)> presentMessage = {});
    ~QueltaProgram();
    QueltaProgram(const QueltaProgram&) = delete;
    QueltaProgram& operator=(const QueltaProgram&) = delete;

    TfrmMain& window() { return window_; }
    WindowModel& model() { return model_; }
    // The link controller's messages, in the active language.
    const MessageSource& linkMessages() const { return *siLang1_; }
    TKivosForm& link() { return *kivos_; }
    const ProgramPaths& paths() const { return paths_; }

    // The main window's creation handler: paths, caption, settings, language, start-up state.
    void FormCreate();
    // The close handler: settings written, serial port closed.
    void FormClose();
    void SpTBXItemHelpClick();

private:
    void ObtainVersionInfo();
    void buildLanguageMenu();
    void syncLanguageMenu();
    QString dialogText(const QString& english) const;

    QtEventLoop loop_;
    QtSerialDevice device_{loop_};
    SystemLocaleFacts locale_;
    LinkState state_;
    LanguageDispatcher dispatcher_;
    MainWindowTexts texts_;
    TranslationComponent siLangRT1_{FormOwner::MainWindow, &texts_};
    WindowModel model_;
    TfrmMain window_;
    LanguageSelection selection_;
    ProgramPaths paths_;
    QString VersionText;
    std::optional<ProfileFile> SettingsFile;
    std::unique_ptr<SystemPortCatalog> catalog_;
    std::unique_ptr<TranslationComponent> siLang1_;
    std::unique_ptr<TKivosForm> kivos_;
};
