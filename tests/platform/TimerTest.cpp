#include "QtEventLoop.h"
#include "VirtualEventLoop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <vector>

namespace {

// The timer rules hold for every implementation; the virtual one shows them to the microsecond.
struct TimerCase {
    const char* name;
    std::function<void(WindowTimer&, VirtualEventLoop&)> act; // runs 30 ms after enabling (100 ms)
    std::vector<qint64> expectedTicksMs;                       // within the first 260 ms
};

class TimerRules : public ::testing::TestWithParam<TimerCase> {};

TEST_P(TimerRules, TicksFallWhereTheRulesSay)
{
    VirtualEventLoop loop;
    auto timer = loop.createTimer();
    std::vector<qint64> ticks;
    timer->setOnTick([&] { ticks.push_back(loop.elapsedMs()); });
    timer->setInterval(100);
    timer->setEnabled(true);
    loop.RunFor(30);
    GetParam().act(*timer, loop);
    loop.RunFor(230);
    EXPECT_EQ(ticks, GetParam().expectedTicksMs);
}

INSTANTIATE_TEST_SUITE_P(
    WindowTimer, TimerRules,
    ::testing::Values(
        TimerCase{"untouched", [](WindowTimer&, VirtualEventLoop&) {}, {100, 200}},
        TimerCase{"enable_twice", [](WindowTimer& t, VirtualEventLoop&) { t.setEnabled(true); }, {100, 200}},
        TimerCase{"same_interval", [](WindowTimer& t, VirtualEventLoop&) { t.setInterval(100); }, {100, 200}},
        TimerCase{"other_interval_restarts", [](WindowTimer& t, VirtualEventLoop&) { t.setInterval(120); }, {150}},
        TimerCase{"disable_enable_restarts",
                  [](WindowTimer& t, VirtualEventLoop&) {
                      t.setEnabled(false);
                      t.setEnabled(true);
                  },
                  {130, 230}},
        TimerCase{"disabled", [](WindowTimer& t, VirtualEventLoop&) { t.setEnabled(false); }, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WindowTimer, TicksNeverNestAndErrorsAreContained)
{
    VirtualEventLoop loop;
    QStringList errors;
    loop.setErrorSink([&](const QString& e) { errors << e; });
    auto timer = loop.createTimer();
    std::vector<qint64> ticks;
    timer->setInterval(10);
    timer->setOnTick([&] {
        ticks.push_back(loop.elapsedMs());
        loop.Sleep(35); // overruns three periods: one overdue tick follows, the rest are dropped
        throw std::runtime_error("boom");
    });
    timer->setEnabled(true);
    loop.RunFor(100);
    EXPECT_EQ(ticks, (std::vector<qint64>{10, 45, 80, 115}));
    EXPECT_EQ(errors.size(), 4);
    EXPECT_EQ(errors.front(), "boom");
}

// A short real-time check that the Qt timer obeys the same rules despite QTimer::start().
TEST(QtWindowTimer, KeepsCountdownOnRepeatedEnableAndSameInterval)
{
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    QtEventLoop loop;
    auto timer = loop.createTimer();
    QElapsedTimer clock;
    std::vector<qint64> ticks;
    timer->setOnTick([&] { ticks.push_back(clock.elapsed()); });
    timer->setInterval(100);
    clock.start();
    timer->setEnabled(true);
    auto poke = loop.createTimer(); // pokes the timer at 40 and 80 ms
    int pokes = 0;
    poke->setInterval(40);
    poke->setOnTick([&] {
        timer->setEnabled(true);
        timer->setInterval(100);
        if (++pokes == 2)
            poke->setEnabled(false);
    });
    poke->setEnabled(true);
    while (ticks.empty() && clock.elapsed() < 1000)
        app.processEvents(QEventLoop::WaitForMoreEvents, 10);
    ASSERT_EQ(ticks.size(), 1u);
    EXPECT_GE(ticks[0], 95);
    EXPECT_LT(ticks[0], 140); // a restart at 80 ms would give 180

    // Another interval restarts the countdown.
    ticks.clear();
    clock.restart();
    timer->setInterval(60);
    while (ticks.empty() && clock.elapsed() < 1000)
        app.processEvents(QEventLoop::WaitForMoreEvents, 10);
    ASSERT_EQ(ticks.size(), 1u);
    EXPECT_GE(ticks[0], 55);
    EXPECT_LT(ticks[0], 95);
}

// Periods that fall due while a handler blocks the thread give one tick, as a window timer's
// do; and a timer restarted after its time had come counts a whole period afresh.
TEST(QtWindowTimer, PeriodsMissedWhileBlockedGiveOneTickAndARestartCountsAfresh)
{
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    QtEventLoop loop;
    auto timer = loop.createTimer();
    int ticks = 0;
    timer->setOnTick([&] { ++ticks; });
    timer->setInterval(10);
    timer->setEnabled(true);
    loop.Sleep(55);
    QElapsedTimer clock;
    clock.start();
    while (ticks == 0 && clock.elapsed() < 1000)
        app.processEvents(QEventLoop::WaitForMoreEvents, 5);
    EXPECT_EQ(ticks, 1);

    loop.Sleep(25);
    timer->setEnabled(false);
    timer->setEnabled(true);
    clock.restart();
    while (ticks == 1 && clock.elapsed() < 1000)
        app.processEvents(QEventLoop::WaitForMoreEvents, 5);
    EXPECT_EQ(ticks, 2);
    EXPECT_GE(clock.elapsed(), 9);
}

} // namespace
