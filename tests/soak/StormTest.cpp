// Thousands of random user commands through the window model, interleaved with random noise on
// the line and awards typed on the pads, on the virtual loop. After every command and every
// event the invariants that keep the window usable are checked; after every quiet spell, that
// everything has come to rest.
#include "SimLink.h"
#include "WindowTimer.h"
#include "Wire.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <cstdlib>
#include <deque>
#include <functional>
#include <random>

namespace {

// QUELTA_STORM_STEPS overrides the number of steps of each storm.
int stormSteps()
{
    const char* text = std::getenv("QUELTA_STORM_STEPS");
    const int n = text != nullptr ? std::atoi(text) : 0;
    return n > 0 ? n : 10000;
}

// QUELTA_STORM_SEED shifts the seed of every storm, to look further afield.
std::uint64_t seedShift()
{
    const char* text = std::getenv("QUELTA_STORM_SEED");
    return text != nullptr ? std::strtoull(text, nullptr, 10) : 0;
}

struct StormCase {
    const char* name;
    std::uint64_t seed;
    bool classicModule; // no DCS, asks its version twice, cannot reset
    double loss;
};

void PrintTo(const StormCase& c, std::ostream* os)
{
    *os << c.name;
}

// What the window tells the user: refreshes and the general error handler's reports.
struct WindowWatch : WindowModel::Observer {
    int refreshes = 0;
    QStringList errors;
    void refreshed() override { ++refreshes; }
    void error(const QString& text) override { errors << text; }
};

class Storm : public ::testing::TestWithParam<StormCase> {
protected:
    struct Command {
        const char* name;
        int weight;
        // Controls that must be enabled and visible, as for a user's click.
        std::vector<const char*> controls;
        std::function<QString(Storm&)> run; // what was done, for the failure report
    };

    void SetUp() override
    {
        const StormCase& c = GetParam();
        sim::StationConfig config;
        if (c.classicModule)
            config.module = sim::ModuleConfig::classic();
        config.keepRecords = false;
        seed_ = c.seed + seedShift();
        link_ = std::make_unique<SimLink>(config, seed_);
        rng_.seed(seed_);
        SimLink& l = *link_;
        l.bench.addSilentPort(2);
        l.bench.addRefusingPort(4);
        l.bench.addGarbagePort(5);
        l.bench.addBaseStation(7);
        l.bench.station().air().lossDown = c.loss;
        l.bench.station().air().lossUp = c.loss;
        for (int j = 0; j < 12; ++j)
            l.bench.pad(sim::padId(j)).config().replyJitterUs = 150'000;
        l.window.setObserver(&watch_);
        // The queue's tick, watched: a tick that finds the queue empty ends the burst with exactly
        // one refresh and leaves the timer stopped at the scan pace; any other tick sends one
        // frame and refreshes nothing.
        l.form.COMTimer->setOnTick([this] {
            SimLink& k = *link_;
            const qsizetype queued = k.state.SendQueue.size();
            const int refreshes = watch_.refreshes;
            const auto check = [&] {
                const int refreshed = watch_.refreshes - refreshes;
                if (queued == 0) {
                    ++drains_;
                    if (refreshed != 1 || k.form.COMTimer->enabled() || k.form.COMTimer->interval() != wire::ScanPace)
                        fault(QStringLiteral("a drain tick refreshed %1 times, timer %2 at %3 ms")
                                  .arg(refreshed).arg(k.form.COMTimer->enabled() ? "running" : "stopped")
                                  .arg(k.form.COMTimer->interval()));
                } else if (refreshed != 0 || k.state.SendQueue.size() != queued - 1) {
                    fault(QStringLiteral("a sending tick refreshed %1 times, queue %2 -> %3")
                              .arg(refreshed).arg(queued).arg(k.state.SendQueue.size()));
                }
            };
            try {
                k.form.COMTimerTimer();
            } catch (...) {
                check();
                throw;
            }
            check();
        });
    }

    SimLink& l() { return *link_; }
    int pick(int from, int to) { return std::uniform_int_distribution<int>(from, to)(rng_); }
    bool chance(double p) { return std::bernoulli_distribution(p)(rng_); }

    void fault(const QString& what)
    {
        if (faults_.size() < 5)
            faults_ << what;
    }

    bool usable(const std::vector<const char*>& controls) const
    {
        for (const char* c : controls) {
            const QString name = QString::fromLatin1(c);
            if (!link_->window.enabled(name) || !link_->window.visible(name))
                return false;
        }
        return true;
    }

    // After every command and every event of the loop.
    void checkStep()
    {
        const LinkState& s = l().state;
        TKivosForm& form = l().form;
        const bool queueRunning = form.COMTimer->enabled();
        if (queueRunning && !comTimerWasRunning_)
            ++bursts_;
        comTimerWasRunning_ = queueRunning;
        if (!s.SendQueue.isEmpty() && !queueRunning)
            fault(QStringLiteral("%1 frames queued and the queue's timer stopped").arg(s.SendQueue.size()));
        if (s.EchoTestActive && !form.EchoTimer->enabled())
            fault(QStringLiteral("echo test running without its timer"));
        for (const QString& id : s.PadIds)
            if (id.size() != 1 || wire::JNumber(id.at(0)) < 0)
                fault(QStringLiteral("registered pad \"%1\"").arg(id));
        for (const EchoCounters& c : s.EchoStats)
            if (c.Replies < 0 || c.Resends < 0 || c.MissedReads + c.MissedSends > c.Replies)
                fault(QStringLiteral("echo counters %1 %2 %3 %4").arg(c.Replies).arg(c.Resends).arg(c.MissedReads).arg(c.MissedSends));
        // Every error reaches the general error handler, and the only ones are a write that the
        // serial port refused because it was closed, and an empty module command.
        static const QRegularExpression allowed(QStringLiteral("^(COM\\d+ is not open|Empty command not sent)$"));
        for (; errorsSeen_ < watch_.errors.size(); ++errorsSeen_) {
            const QString& e = watch_.errors.at(errorsSeen_);
            if (!allowed.match(e).hasMatch())
                fault(QStringLiteral("error reported: %1").arg(e));
        }
    }

    // Runs the loop for ms, checking after every event.
    void run(qint64 ms)
    {
        l().loop.RunUntil([this] {
            checkStep();
            return !faults_.isEmpty();
        }, ms);
    }

    // Nothing more from the user or the line until everything has come to rest.
    void quietSpell()
    {
        SimLink& k = l();
        TKivosForm& f = k.form;
        const auto busy = [&] {
            return k.state.EchoTestActive || f.BaseTimer->enabled() || f.COMTimer->enabled() || f.ReSetTimer->enabled()
                   || f.SetChanTimer->enabled() || f.EchoTimer->enabled();
        };
        // The longest thing a user can start here: an echo test of 4 loops at 300 ms, with every
        // pad needing its resend, then the scans it may be followed by.
        k.loop.RunUntil([&] {
            checkStep();
            return !busy() || !faults_.isEmpty();
        }, 60'000);
        run(3000); // stale timeouts and late replies settle
        if (busy())
            fault(QStringLiteral("still busy after a quiet spell"));
        if (!k.state.SendQueue.isEmpty())
            fault(QStringLiteral("%1 frames left in the queue").arg(k.state.SendQueue.size()));
        if (!k.loop.idle())
            fault(QStringLiteral("something still ticks while nothing is in progress"));
        if (bursts_ != drains_)
            fault(QStringLiteral("%1 bursts, %2 drains").arg(bursts_).arg(drains_));
        if (k.window.busy)
            fault(QStringLiteral("the busy cursor stays"));
        if (!k.window.enabled(QStringLiteral("SpTBXSubmenuItemScans")))
            fault(QStringLiteral("the Scans menu stays disabled"));
        ++quietSpells_;
    }

    void noise()
    {
        VirtualSerialDevice& device = l().bench.device();
        if (!device.isOpen())
            return;
        SerialPeer* peer = l().bench.board().peer(device.path());
        if (peer == nullptr)
            return;
        static const char* const shapes[] = {"\x02", "\x04", "\x06", "\x1b", "\x02" "3\x06", "\x02" "a\x06" "aJ10  ",
                                             "ER_CMD#", "\x02" "c7.5\x04", "\x02" "5\x06" "1234\x04", "ACK"};
        QByteArray bytes;
        const int parts = pick(1, 6);
        for (int i = 0; i < parts; ++i) {
            if (chance(0.5))
                bytes += shapes[pick(0, int(std::size(shapes)) - 1)];
            else
                for (int n = pick(1, 12); n > 0; --n)
                    bytes += char(pick(0, 255));
        }
        device.peerSend(*peer, bytes);
        note(QStringLiteral("noise ") + QString::fromLatin1(sim::printable(bytes)));
    }

    void note(const QString& step)
    {
        recent_.push_back(QStringLiteral("%1 ms: %2").arg(l().loop.elapsedMs()).arg(step));
        if (recent_.size() > 25)
            recent_.pop_front();
    }

    QString report() const
    {
        QString out = QStringLiteral("seed %1, step %2\n").arg(seed_).arg(step_);
        for (const QString& f : faults_)
            out += QStringLiteral("  fault: ") + f + u'\n';
        out += QStringLiteral("  last steps:\n");
        for (const QString& s : recent_)
            out += QStringLiteral("    ") + s + u'\n';
        const TKivosForm& f = link_->form;
        out += QStringLiteral("  timers running:");
        for (const auto& [name, timer] : {std::pair{"Base", f.BaseTimer.get()}, std::pair{"COM", f.COMTimer.get()},
                                          std::pair{"Echo", f.EchoTimer.get()}, std::pair{"ReSet", f.ReSetTimer.get()},
                                          std::pair{"SetChan", f.SetChanTimer.get()}})
            if (timer->enabled())
                out += QStringLiteral(" %1 (%2 ms)").arg(QString::fromLatin1(name)).arg(timer->interval());
        out += QStringLiteral("\n  last log lines:\n");
        for (const QString& line : link_->window.log.mid(std::max<qsizetype>(0, link_->window.log.size() - 15)))
            out += QStringLiteral("    ") + line + u'\n';
        return out;
    }

    std::vector<Command> commands();

    std::uint64_t seed_ = 0;
    std::unique_ptr<SimLink> link_;
    std::mt19937_64 rng_;
    WindowWatch watch_;
    QStringList faults_;
    std::deque<QString> recent_;
    qsizetype errorsSeen_ = 0;
    int bursts_ = 0;
    int drains_ = 0;
    bool comTimerWasRunning_ = false;
    int step_ = 0;
    int quietSpells_ = 0;
};

std::vector<Storm::Command> Storm::commands()
{
    using S = Storm;
    const auto click = [](void (WindowModel::*handler)()) {
        return [handler](S& s) {
            (s.l().window.*handler)();
            return QString();
        };
    };
    return {
        {"full scan", 3, {"SpTBXSubmenuItemScans", "SpTBXItemFullScan"}, click(&WindowModel::SpTBXItemFullScanClick)},
        {"active port", 3, {"SpTBXSubmenuItemScans", "SpTBXItemActivePort"}, click(&WindowModel::SpTBXItemActivePortClick)},
        {"hidden scan", 2, {"SpTBXSubmenuItemScans", "SpTBXItemHidden"}, click(&WindowModel::SpTBXItemHiddenClick)},
        {"next dive", 4, {"SpTBXItemNextDive"}, click(&WindowModel::SpTBXItemNextDiveClick)},
        {"judge IDs", 3, {"SpTBXSubmenuItemCommand", "SpTBXItemJudge"}, click(&WindowModel::SpTBXItemJudgeClick)},
        {"lock", 3, {"SpTBXSubmenuItemCommand", "SpTBXItemLock"}, click(&WindowModel::SpTBXItemLockClick)},
        {"unlock", 3, {"SpTBXSubmenuItemCommand", "SpTBXItemUnlock"}, click(&WindowModel::SpTBXItemUnlockClick)},
        {"loops", 2, {"TestSpinEdit"}, [](S& s) {
             const int n = s.pick(1, 4);
             s.l().window.TestSpinEditChange(n);
             return QString::number(n);
         }},
        {"delay", 2, {"TestDelaySpinEdit"}, [](S& s) {
             const int n = s.pick(120, 310);
             s.l().window.TestDelaySpinEditChange(n);
             return QString::number(n);
         }},
        {"echo test", 3, {"SpTBXItemEcho"}, click(&WindowModel::SpTBXItemEchoClick)},
        {"abort", 3, {"btnAbort"}, click(&WindowModel::BtnAbortClick)},
        {"set channel", 2, {"gbxBaseStation", "btnSetChannel"}, [](S& s) {
             s.l().window.ChannelSpinEdit = s.pick(0, 9);
             s.l().window.BtnSetChannelClick();
             return QString::number(s.l().window.ChannelSpinEdit);
         }},
        {"reset", 1, {"gbxBaseStation", "btnReset"}, click(&WindowModel::BtnResetClick)},
        {"bandwidth", 2, {"gbSystem", "rgBandwidth"}, [](S& s) {
             const int n = s.pick(0, 4);
             s.l().window.RgBandwidthClick(n);
             return QString::number(n);
         }},
        {"compatibility", 1, {"gbSystem", "rgCompatibility"}, [](S& s) {
             const int n = s.pick(0, 1);
             s.l().window.RgCompatibilityClick(n);
             return QString::number(n);
         }},
        {"DCS", 2, {"gbSystem", "rgDCS"}, [](S& s) {
             const int n = s.pick(0, 1);
             s.l().window.RgDCSClick(n);
             return QString::number(n);
         }},
        {"broadcast box", 2, {"gbSystem", "chk1"}, [](S& s) {
             const bool on = s.chance(0.5);
             s.l().window.Chk1Click(on);
             return QString::number(on);
         }},
        {"module command", 2, {"gbxBaseStation", "edtCommand", "btnCmd"}, [](S& s) {
             static const char* const texts[] = {"", "ER_CMD#T3", "ER_CMD#B?", "ER_CMD#C3", "ER_CMD#A01", "x", "ER_CMD#R1"};
             s.l().window.edtCommand = QString::fromLatin1(texts[s.pick(0, int(std::size(texts)) - 1)]);
             s.l().window.BtnCmdClick();
             return s.l().window.edtCommand;
         }},
        {"char test", 2, {"SpTBXCharTest"}, [](S& s) {
             static const char* const starts[] = {"", "160", "240", "abc", "-5", "99999999999"};
             if (s.chance(0.3))
                 s.l().window.edtCommand = QString::fromLatin1(starts[s.pick(0, int(std::size(starts)) - 1)]);
             const QString before = s.l().window.edtCommand;
             s.l().window.SpTBXCharTestClick();
             return before;
         }},
        {"lamp", 3, {"gbStatus"}, [](S& s) {
             const int j = s.pick(0, 11);
             s.l().window.LEDClick(j);
             return QString::number(j);
         }},
        {"J-label", 3, {"gbStatus"}, [](S& s) {
             const int j = s.pick(0, 11);
             s.l().window.JLabClick(j);
             return QString::number(j);
         }},
    };
}

TEST_P(Storm, EveryStepKeepsTheWindowUsable)
{
    const std::vector<Command> table = commands();
    int totalWeight = 0;
    for (const Command& c : table)
        totalWeight += c.weight;
    const int steps = stormSteps();
    int clicks = 0;
    int refused = 0;
    for (step_ = 0; step_ < steps && faults_.isEmpty(); ++step_) {
        const int what = pick(0, 99);
        if (what < 40) {
            int w = pick(0, totalWeight - 1);
            const Command* c = &table.front();
            for (const Command& candidate : table) {
                c = &candidate;
                if ((w -= candidate.weight) < 0)
                    break;
            }
            if (!usable(c->controls)) {
                ++refused;
                continue;
            }
            QString detail;
            // As the widgets do: every click goes through the general error handler.
            l().loop.runGuarded([&] { detail = c->run(*this); });
            note(QString::fromLatin1(c->name) + (detail.isEmpty() ? QString() : QStringLiteral(" ") + detail));
            ++clicks;
            checkStep();
        } else if (what < 55) {
            noise();
            checkStep();
        } else if (what < 60) {
            const char id = sim::padId(pick(0, 11));
            static const char* const awards[] = {"75", "7.5", "10", "9,5", "", "1234567", "\x06" "12"};
            const QByteArray award = awards[pick(0, int(std::size(awards)) - 1)];
            l().bench.typeOnPad(id, award);
            note(QStringLiteral("typed on %1: %2").arg(QChar(id)).arg(QString::fromLatin1(sim::printable(award))));
        } else if (what < 99) {
            run(pick(0, 700));
        } else {
            note(QStringLiteral("quiet"));
            quietSpell();
        }
        if (l().window.log.size() > 5000)
            l().window.log.clear(); // the log pane's own cost is measured elsewhere
    }
    if (faults_.isEmpty())
        quietSpell();
    EXPECT_EQ(faults_, QStringList()) << report().toStdString();
    // The storm reached what it is meant to reach.
    EXPECT_GT(clicks, steps / 10);
    EXPECT_GT(drains_, steps / 100);
    EXPECT_GT(quietSpells_, 1);
    std::cout << "[ storm    ] " << GetParam().name << ": " << steps << " steps, " << clicks << " clicks (" << refused
              << " on disabled controls not made), " << drains_ << " bursts drained, " << watch_.errors.size()
              << " errors reported, " << quietSpells_ << " quiet spells, " << l().loop.elapsedMs() / 1000
              << " s virtual\n";
}

const StormCase kStorms[] = {
    {"EraModule", 11, false, 0.05},
    {"ClassicModule", 12, true, 0.05},
    {"BadAir", 13, false, 0.4},
};

INSTANTIATE_TEST_SUITE_P(Storms, Storm, ::testing::ValuesIn(kStorms),
                         [](const ::testing::TestParamInfo<StormCase>& info) { return std::string(info.param.name); });

} // namespace
