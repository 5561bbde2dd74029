// No timer may tick while nothing is in progress: on the virtual loop, against the simulated
// base station, each of the program's jobs is run to its end, and then an hour of virtual time
// must pass without a single program event.
//
//     idle-bench
#include "BenchSupport.h"
#include "Bench.h"
#include "Kivos.h"
#include "LinkState.h"
#include "LocaleFacts.h"
#include "MessageSource.h"
#include "VirtualEventLoop.h"
#include "WindowModel.h"
#include "WindowTimer.h"

#include <QCoreApplication>

#include <functional>

namespace {

using bench::out;

class NoMessages : public MessageSource {
public:
    QString Text(const QString&) const override { return {}; }
};

struct Program {
    VirtualEventLoop loop{0};
    sim::Bench bench{loop};
    FixedLocaleFacts locale;
    NoMessages messages;
    LinkState state;
    WindowModel window{state, locale, messages};
    TKivosForm form{LinkPlatform{loop, bench.device(), bench.catalog(), locale, messages}, state, window};

    Program()
    {
        bench.addSilentPort(3);
        bench.addBaseStation(7);
        form.FormCreate();
        window.setLink(&form);
    }
    bool busy() const
    {
        return state.EchoTestActive || form.BaseTimer->enabled() || form.COMTimer->enabled() || form.EchoTimer->enabled()
               || form.ReSetTimer->enabled() || form.SetChanTimer->enabled() || window.busy;
    }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    out() << "idle-bench on " << bench::machine() << Qt::endl;
    Program p;
    struct Job {
        const char* name;
        std::function<void()> start;
    };
    const Job jobs[] = {
        {"full scan", [&] { p.window.SpTBXItemFullScanClick(); }},
        {"lock", [&] { p.window.SpTBXItemLockClick(); }},
        {"next dive", [&] { p.window.SpTBXItemNextDiveClick(); }},
        {"award typed and acknowledged", [&] { p.bench.typeOnPad('3', "7.5"); }},
        {"echo test, 5 loops", [&] {
             p.window.TestSpinEditChange(5);
             p.window.SpTBXItemEchoClick();
         }},
        {"set channel (and the scan after it)", [&] {
             p.window.ChannelSpinEdit = 3;
             p.window.BtnSetChannelClick();
         }},
        {"J-label click", [&] { p.window.JLabClick(5); }},
    };
    bool allQuiet = true;
    for (const Job& job : jobs) {
        job.start();
        p.loop.RunFor(200);
        p.loop.RunUntil([&] { return !p.busy(); }, 120'000);
        p.loop.RunFor(2000); // timeouts of the collectors and late replies settle
        const quint64 before = p.loop.programEventsRun();
        p.loop.RunFor(3'600'000);
        const quint64 events = p.loop.programEventsRun() - before;
        const bool quiet = events == 0 && p.loop.idle() && !p.busy();
        allQuiet = allQuiet && quiet;
        out() << QStringLiteral("after %1: %2 program events in an hour of virtual time, nothing queued: %3")
                     .arg(QString::fromLatin1(job.name), -36)
                     .arg(events)
                     .arg(p.loop.idle() ? QStringLiteral("yes") : QStringLiteral("NO"))
              << Qt::endl;
    }
    out() << (allQuiet ? "no timer ticks while nothing is in progress" : "SOMETHING TICKS while nothing is in progress")
          << Qt::endl;
    return allQuiet ? 0 : 1;
}
