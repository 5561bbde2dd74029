#include "EventLoop.h"

#include "Errors.h"

#include <QtGlobal>

QString errorText(const std::exception& e)
{
    if (const auto* q = dynamic_cast<const QueltaError*>(&e))
        return q->text();
    return QString::fromLocal8Bit(e.what());
}

void WindowTimer::setEnabled(bool on)
{
    if (on == enabled_)
        return;
    enabled_ = on;
    if (on && interval_ > 0)
        arm(interval_);
    else
        disarm();
}

void WindowTimer::setInterval(int ms)
{
    if (ms == interval_)
        return;
    interval_ = ms;
    if (!enabled_)
        return;
    // A window timer with no interval never ticks.
    if (ms > 0)
        arm(ms);
    else
        disarm();
}

void WindowTimer::fire()
{
    // A modal dialog inside a tick handler runs a nested loop; its ticks must not re-enter.
    if (!enabled_ || inTick_ || !onTick_)
        return;
    inTick_ = true;
    loop_.runGuarded(onTick_);
    inTick_ = false;
}

void EventLoop::runGuarded(const std::function<void()>& fn) noexcept
{
    QString text;
    try {
        fn();
        return;
    } catch (const std::exception& e) {
        text = errorText(e);
    } catch (...) {
        text = QStringLiteral("Unknown error");
    }
    try {
        if (errorSink_)
            errorSink_(text);
        else
            qWarning("%s", qPrintable(text));
    } catch (...) {
        qWarning("error while reporting an error: %s", qPrintable(text));
    }
}
