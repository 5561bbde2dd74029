// The program entry: one instance only, then the main window and the link controller.
#include "InstanceLock.h"
#include "Main.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

namespace {

// A box on a platform without a screen could never be dismissed: the process would hang.
bool hasScreenForDialogs()
{
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void refuseSecondInstance()
{
    // Also on the standard error, for whoever started us from a script or a terminal.
    std::fprintf(stderr, "%s: %s\n", qPrintable(alreadyRunningCaption.toString()),
                 qPrintable(alreadyRunningText.toString()));
    std::fflush(stderr);
    if (hasScreenForDialogs())
        QMessageBox::critical(nullptr, alreadyRunningCaption.toString(), alreadyRunningText.toString());
}

} // namespace

int main(int argc, char* argv[])
{
    try {
        QApplication app(argc, argv);
        const std::optional<InstanceLock> lock = InstanceLock::acquire();
        if (!lock) {
            refuseSecondInstance();
            return 1;
        }
        QApplication::setApplicationName(QStringLiteral("Quelta"));
        QApplication::setApplicationDisplayName(QStringLiteral("Quelta"));
        QueltaProgram program;
        program.window().show();
        return QApplication::exec();
    } catch (...) {
        // Whatever escapes the start ends the program without a word.
        return 1;
    }
}
