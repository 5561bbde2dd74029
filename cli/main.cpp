// quelta-cli: the link controller and the window model driven by a script, on the real serial
// port, with everything the window would show written to standard output.
#include "ConsoleFrontEnd.h"
#include "DataFolder.h"
#include "InstanceLock.h"
#include "Kivos.h"
#include "LanguageDispatcher.h"
#include "LanguageSelection.h"
#include "LinkState.h"
#include "LocaleFacts.h"
#include "PortCatalog.h"
#include "ProfileFile.h"
#include "QtEventLoop.h"
#include "QtSerialDevice.h"
#include "ScriptReader.h"
#include "TranslationComponent.h"
#include "WindowModel.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

namespace {

int run(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const std::optional<InstanceLock> lock = InstanceLock::acquire();
    if (!lock) {
        err << alreadyRunningCaption.toString() << ": " << alreadyRunningText.toString() << Qt::endl;
        return 2;
    }
    ScriptReader script;
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 2) {
        err << "usage: quelta-cli [script]" << Qt::endl;
        return 2;
    }
    if (args.size() == 2) {
        if (!script.openFile(args[1])) {
            err << "Cannot read the script " << args[1] << Qt::endl;
            return 2;
        }
    } else {
        script.openStandardInput();
    }

    QTextStream out(stdout);
    QtEventLoop loop;
    QtSerialDevice device(loop);
    SystemLocaleFacts locale;
    const QString dataDir = dataFolder();
    const SystemPortCatalog catalog(dataDir);
    LinkState state;
    TranslationComponent mainMessages(FormOwner::MainWindow);
    TranslationComponent linkMessages(FormOwner::LinkController);
    WindowModel model(state, locale, mainMessages);
    ConsoleFrontEnd console(model, out);
    model.setObserver(&console);
    // A language file that cannot be read is reported in the log pane, as in the window.
    LanguageDispatcher dispatcher([&](const QString& line) { model.LogLine(line); });

    // The same settings as the window, read only.
    if (!dataDir.isEmpty()) {
        const ProfileFile settings(dataDir + QStringLiteral("Quelta.ini"));
        const QString general = QStringLiteral("General");
        dispatcher.link(mainMessages);
        LanguageSelection selection(dispatcher, mainMessages);
        selection.startUp({[&](const QString& key, int def) { return settings.readInteger(general, key, def); },
                           [&](const QString& key, const QString& def) { return settings.readString(general, key, def); }},
                          dataDir);
        model.setDeveloperMode(settings.readBool(general, QStringLiteral("Developer"), false));
    } else {
        // The window's message when it has nowhere to keep its settings; it still runs.
        console.message(mainMessages.getTextOrDefault(QStringLiteral("IDS_3")) + QStringLiteral("\r\n")
                        + mainMessages.getTextOrDefault(QStringLiteral("IDS_4")));
    }
    dispatcher.link(linkMessages);
    TKivosForm kivos(LinkPlatform{loop, device, catalog, locale, linkMessages}, state, model);
    kivos.FormCreate();
    model.setLink(&kivos);

    bool quitting = false;
    const auto quit = [&] {
        if (quitting)
            return;
        quitting = true;
        if (kivos.ComPort.IsOpen())
            kivos.ComPort.Close();
        QCoreApplication::exit(0);
    };
    QTimer waiting;
    waiting.setSingleShot(true);
    waiting.setTimerType(Qt::PreciseTimer);
    std::function<void()> next;
    next = [&] {
        if (quitting || waiting.isActive())
            return;
        if (!script.hasLine()) {
            if (script.atEnd())
                quit();
            return;
        }
        const QString line = script.takeLine();
        int waitMs = 0;
        ConsoleFrontEnd::Outcome outcome = ConsoleFrontEnd::Outcome::Done;
        loop.runGuarded([&] { outcome = console.run(line, waitMs); });
        switch (outcome) {
        case ConsoleFrontEnd::Outcome::Quit:
            quit();
            return;
        case ConsoleFrontEnd::Outcome::Wait:
            waiting.start(waitMs);
            return;
        default:
            // Let what the command started get going before the next one, as between two clicks.
            QTimer::singleShot(0, next);
        }
    };
    QObject::connect(&waiting, &QTimer::timeout, next);
    script.setOnLines([&] { next(); });
    QTimer::singleShot(0, next);
    const int status = QCoreApplication::exec();
    model.setLink(nullptr);
    kivos.FormDestroy();
    return status;
}

} // namespace

int main(int argc, char* argv[])
{
    try {
        return run(argc, argv);
    } catch (...) {
        return 1;
    }
}
