// The log pane at scale, on the real widgets with the offscreen platform: a million lines
// appended through the window model, the memory each line costs, scrolling to the end; and
// lines arriving one per event, as they do from the link, on an empty log and on a million
// lines, which must cost the same.
//
//     logpane-bench [--lines N] [--live N]
#include "BenchSupport.h"
#include "LinkState.h"
#include "LocaleFacts.h"
#include "MainWindow.h"
#include "MessageSource.h"
#include "QtEventLoop.h"
#include "WindowModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QAbstractItemView>
#include <QScrollBar>

#include <malloc.h>

namespace {

using bench::out;

class NoMessages : public MessageSource {
public:
    QString Text(const QString&) const override { return {}; }
};

// Lines as an echo test writes them, about 21 characters each.
QString lineNumber(int i)
{
    const char id = "0123456789ac"[i % 12];
    return QString(QChar(id)) + QStringLiteral(" -->") + QString::number(i / 12 + 1).rightJustified(8, u' ')
           + QString::number((i * 181) % 60000).rightJustified(8, u' ');
}

int option(const QStringList& args, const char* name, int fallback)
{
    const qsizetype i = args.indexOf(QString::fromLatin1(name));
    return i > 0 && i + 1 < args.size() ? std::max(1, args[i + 1].toInt()) : fallback;
}

double ms(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

int run(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int lines = option(args, "--lines", 1'000'000);
    const int live = option(args, "--live", 2000);
    out() << "logpane-bench on " << bench::machine() << ", platform " << QGuiApplication::platformName() << Qt::endl;

    QtEventLoop loop;
    LinkState state;
    const FixedLocaleFacts locale;
    const NoMessages messages;
    WindowModel model(state, locale, messages);
    TfrmMain window(model, loop);
    window.resize(829, 402 + 400); // the log pane grows below the design size
    window.show();
    QCoreApplication::processEvents();
    auto* view = qobject_cast<QAbstractItemView*>(window.widget(QStringLiteral("lbxLog")));
    if (view == nullptr) {
        out() << "no log pane" << Qt::endl;
        return 1;
    }

    // Memory first, in a fresh heap: the heap bytes in use and the resident set, before and
    // after a million lines made and appended.
    const long residentBefore = bench::residentKiB();
    const std::size_t heapBefore = mallinfo2().uordblks;
    for (int i = 0; i < lines; ++i)
        model.LogLine(lineNumber(i));
    QCoreApplication::processEvents();
    const std::size_t heapAfter = mallinfo2().uordblks;
    const long residentAfter = bench::residentKiB();
    model.ClearLog();
    QCoreApplication::processEvents();

    // Time, with the texts made beforehand, as they exist before they reach the log.
    std::vector<QString> texts;
    texts.reserve(std::size_t(lines));
    for (int i = 0; i < lines; ++i)
        texts.push_back(lineNumber(i));
    QElapsedTimer t;
    t.start();
    for (const QString& text : texts)
        model.LogLine(text);
    const double appendMs = ms(t);
    t.restart();
    QCoreApplication::processEvents();
    const double layoutMs = ms(t);
    texts.clear();
    texts.shrink_to_fit();

    t.restart();
    view->scrollToBottom();
    view->viewport()->repaint();
    QCoreApplication::processEvents();
    const double scrollMs = ms(t);
    const QModelIndex last = view->indexAt(QPoint(4, view->viewport()->height() - 4));
    const bool atEnd = view->verticalScrollBar()->value() == view->verticalScrollBar()->maximum();

    t.restart();
    view->scrollToTop();
    view->viewport()->repaint();
    QCoreApplication::processEvents();
    const double topMs = ms(t);

    out() << QStringLiteral("%1 lines appended through the window model: %2 ms (%3 us a line), then laid out in %4 ms")
                 .arg(lines)
                 .arg(appendMs, 0, 'f', 0)
                 .arg(appendMs * 1000.0 / lines, 0, 'f', 2)
                 .arg(layoutMs, 0, 'f', 1)
          << Qt::endl;
    out() << QStringLiteral("memory: %1 bytes of heap a line (%2 MiB), resident set %3 MiB more; the window model's "
                            "list and the log pane's share each line's text")
                 .arg(double(heapAfter - heapBefore) / lines, 0, 'f', 0)
                 .arg(double(heapAfter - heapBefore) / 1048576.0, 0, 'f', 1)
                 .arg(double(residentAfter - residentBefore) / 1024.0, 0, 'f', 1)
          << Qt::endl;
    out() << QStringLiteral("scroll to the end and paint: %1 ms (last row shown: %2 of %3%4); back to the top: %5 ms")
                 .arg(scrollMs, 0, 'f', 1)
                 .arg(last.row() + 1)
                 .arg(lines)
                 .arg(atEnd ? QString() : QStringLiteral(", NOT at the end"))
                 .arg(topMs, 0, 'f', 1)
          << Qt::endl;

    t.restart();
    model.ClearLog();
    QCoreApplication::processEvents();
    out() << QStringLiteral("emptying the log (as a full scan or an echo test does): %1 ms").arg(ms(t), 0, 'f', 1)
          << Qt::endl;

    // One line per event, the pane following its end as a user watching the log sees it:
    // on an empty log, and on one of a million lines.
    const auto perEvent = [&] {
        QElapsedTimer each;
        each.start();
        for (int i = 0; i < live; ++i) {
            model.LogLine(lineNumber(i));
            view->scrollToBottom();
            QCoreApplication::processEvents();
        }
        return ms(each) * 1000.0 / live;
    };
    const double onEmpty = perEvent();
    model.ClearLog();
    for (int i = 0; i < lines; ++i)
        model.LogLine(lineNumber(i));
    QCoreApplication::processEvents();
    const double onMillion = perEvent();
    out() << QStringLiteral("one line per event, following the end: %1 us a line on an empty log, %2 us a line on "
                            "a log of %3 lines (%4 lines each)")
                 .arg(onEmpty, 0, 'f', 0)
                 .arg(onMillion, 0, 'f', 0)
                 .arg(lines)
                 .arg(live)
          << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return run(argc, argv);
}
