// The program entry: one instance only, then the main window and the link controller.
#include "InstanceLock.h"
#include "Main.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char* argv[])
{
    try {
        QApplication app(argc, argv);
        const std::optional<InstanceLock> lock = InstanceLock::acquire();
        if (!lock) {
            QMessageBox::critical(nullptr, alreadyRunningCaption.toString(), alreadyRunningText.toString());
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
