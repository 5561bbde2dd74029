#pragma once
#include <functional>

class EventLoop;

// A periodic window timer with the semantics the link controller relies on:
// enabling an enabled timer changes nothing, setting the interval it already has changes
// nothing, another interval on a running timer restarts its countdown, and ticks never nest.
// Implementations only arm and disarm a countdown; the rules live here.
class WindowTimer {
public:
    using Handler = std::function<void()>;

    explicit WindowTimer(EventLoop& loop) : loop_(loop) {}
    virtual ~WindowTimer() = default;
    WindowTimer(const WindowTimer&) = delete;
    WindowTimer& operator=(const WindowTimer&) = delete;

    void setEnabled(bool on);
    bool enabled() const { return enabled_; }
    void setInterval(int ms);
    int interval() const { return interval_; }
    void setOnTick(Handler handler) { onTick_ = std::move(handler); }

protected:
    // Start a fresh periodic countdown of ms milliseconds from now (replacing any running one).
    virtual void arm(int ms) = 0;
    virtual void disarm() = 0;
    // Called by the implementation when the countdown expires.
    void fire();

private:
    EventLoop& loop_;
    Handler onTick_;
    int interval_ = 1000;
    bool enabled_ = false;
    bool inTick_ = false;
};
