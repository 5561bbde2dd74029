#pragma once
#include "EventLoop.h"

#include <QtGlobal>
#include <functional>
#include <map>
#include <utility>

// A deterministic event loop for tests: a virtual clock in microseconds and one ordered queue of
// timer ticks and device events. Program events (timer ticks, bytes delivered to the program)
// run only from RunFor/RunUntil; device events (what a simulated peer does on the line) also run
// during Sleep, so a device keeps talking while the program is blocked, and what it sent is
// delivered after the blocked handler returns.
class VirtualEventLoop : public EventLoop {
public:
    enum class Kind { Program, Device };
    using Action = std::function<void()>;

    // startMillisOfMinute sets where in the minute the local clock starts.
    explicit VirtualEventLoop(int startMillisOfMinute = 0) : minuteOffsetMs_(startMillisOfMinute) {}

    std::unique_ptr<WindowTimer> createTimer() override;
    void Sleep(int ms) override;
    qint64 elapsedMs() const override { return nowUs_ / 1000; }
    int millisOfMinute() const override;

    qint64 nowUs() const { return nowUs_; }
    void post(qint64 atUs, Kind kind, Action action);

    // Runs every event due within the next ms milliseconds; the clock ends ms later.
    void RunFor(qint64 ms);
    // Runs events until pred() holds (checked after every event) or limitMs pass; returns pred().
    bool RunUntil(const std::function<bool()>& pred, qint64 limitMs);
    bool idle() const { return program_.empty() && device_.empty(); }
    quint64 programEventsRun() const { return programEventsRun_; }

private:
    using Key = std::pair<qint64, quint64>;
    using Queue = std::map<Key, Action>;

    bool runNext(qint64 untilUs);

    Queue program_;
    Queue device_;
    qint64 nowUs_ = 0;
    quint64 seq_ = 0;
    quint64 programEventsRun_ = 0;
    int minuteOffsetMs_;
};
