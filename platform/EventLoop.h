#pragma once
#include "WindowTimer.h"

#include <QString>
#include <functional>
#include <memory>

// The one thread's event loop as the program sees it: timers, a blocking pause, the local clock,
// and the general error handler that guards every entry from the loop into program code.
class EventLoop {
public:
    using ErrorSink = std::function<void(const QString&)>;

    virtual ~EventLoop() = default;

    virtual std::unique_ptr<WindowTimer> createTimer() = 0;
    // Blocks the thread; no program event is handled during the pause.
    virtual void Sleep(int ms) = 0;
    // Milliseconds since the loop started, for measurements and time-outs.
    virtual qint64 elapsedMs() const = 0;
    // Position within the current minute of the local clock, in milliseconds (0..59999).
    virtual int millisOfMinute() const = 0;

    // The general error handler: what escapes fn is caught and reported as one line; nothing
    // ever reaches the event loop as an exception.
    void runGuarded(const std::function<void()>& fn) noexcept;
    void setErrorSink(ErrorSink sink) { errorSink_ = std::move(sink); }

private:
    ErrorSink errorSink_;
};
