// Start-up time to the first shown window: this program starts itself again as the program
// does (the instance lock, the application, QueltaProgram, the window shown) and the child
// says when the window has first been painted. The time runs from starting the process, so it
// includes loading the libraries.
//
//     startup-bench [--runs N]
#include "BenchSupport.h"
#include "InstanceLock.h"
#include "Main.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QProcess>

namespace {

using bench::out;

// Quits at the first paint of the window it watches.
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            std::printf("shown\n");
            std::fflush(stdout);
            QCoreApplication::exit(0);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool seen_ = false;
};

// The same steps as the program's main().
int child(int argc, char** argv)
{
    QApplication app(argc, argv);
    const std::optional<InstanceLock> lock = InstanceLock::acquire();
    if (!lock)
        return 1;
    QApplication::setApplicationName(QStringLiteral("Quelta"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quelta"));
    QueltaProgram program;
    FirstPaint watcher;
    program.window().installEventFilter(&watcher);
    program.window().show();
    return QApplication::exec();
}

int parent(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    int runs = 10;
    if (const qsizetype i = args.indexOf(QStringLiteral("--runs")); i > 0 && i + 1 < args.size())
        runs = std::max(1, args[i + 1].toInt());
    const bench::Home home;
    QProcessEnvironment env = home.environment();
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    out() << "startup-bench on " << bench::machine() << ", platform " << env.value(QStringLiteral("QT_QPA_PLATFORM"))
          << Qt::endl;

    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer t;
        t.start();
        p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child")});
        bool shown = false;
        while (!shown && p.waitForReadyRead(10000))
            shown = p.readAll().contains("shown");
        const double ms = double(t.nsecsElapsed()) / 1e6;
        p.waitForFinished(5000);
        if (!shown) {
            out() << "the window was not shown" << Qt::endl;
            return 1;
        }
        times.push_back(ms);
    }
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    QStringList each;
    for (const double t : times)
        each << QString::number(t, 'f', 0);
    out() << QStringLiteral("start to first painted window, %1 runs: median %2 ms, fastest %3 ms, slowest %4 ms (%5)")
                 .arg(runs)
                 .arg(bench::ErrorStats::percentile(times, 0.5), 0, 'f', 0)
                 .arg(sorted.front(), 0, 'f', 0)
                 .arg(sorted.back(), 0, 'f', 0)
                 .arg(each.join(QStringLiteral(" ")))
          << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--child")
            return child(argc, argv);
    return parent(argc, argv);
}
