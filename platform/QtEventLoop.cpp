#include "QtEventLoop.h"

#include <QThread>
#include <QTime>
#include <QTimer>

#ifdef Q_OS_LINUX
#include <QSocketNotifier>

#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>
#endif

namespace {

// QTimer restarts on every start() and setInterval(); the WindowTimer base only calls arm()
// when the countdown must really restart, so here start() is always right.
class QtWindowTimer : public WindowTimer {
public:
    explicit QtWindowTimer(EventLoop& loop) : WindowTimer(loop)
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setSingleShot(false);
        QObject::connect(&timer_, &QTimer::timeout, [this] { fire(); });
    }

protected:
    void arm(int ms) override { timer_.start(ms); }
    void disarm() override { timer_.stop(); }

private:
    QTimer timer_;
};

#ifdef Q_OS_LINUX
// Qt rounds every timer wait to whole milliseconds, so a QTimer tick comes up to a millisecond
// late, and a timer restarted from its own tick (each exchange of the echo test, each port of
// the walk) carries that lateness into every period: the echo test drifted by a millisecond per
// pad. A timerfd expires on time and wakes the loop through its descriptor.
class LinuxWindowTimer : public WindowTimer {
public:
    // Takes over fd, a timerfd.
    LinuxWindowTimer(EventLoop& loop, int fd) : WindowTimer(loop), fd_(fd), notifier_(fd, QSocketNotifier::Read)
    {
        QObject::connect(&notifier_, &QSocketNotifier::activated, [this] { expired(); });
    }
    ~LinuxWindowTimer() override
    {
        notifier_.setEnabled(false);
        ::close(fd_);
    }

protected:
    void arm(int ms) override { set(ms); }
    void disarm() override { set(0); }

private:
    void set(int ms)
    {
        itimerspec spec{};
        spec.it_value = timespec{ms / 1000, long(ms % 1000) * 1'000'000L};
        spec.it_interval = spec.it_value;
        ::timerfd_settime(fd_, 0, &spec, nullptr);
    }
    void expired()
    {
        // Setting the timer clears what had fallen due; then there is nothing to read. Periods
        // missed while the thread was blocked come as one tick, as a window timer's do.
        std::uint64_t count = 0;
        if (::read(fd_, &count, sizeof count) == ssize_t(sizeof count))
            fire();
    }

    const int fd_;
    QSocketNotifier notifier_;
};
#endif

} // namespace

QtEventLoop::QtEventLoop()
{
    clock_.start();
}

std::unique_ptr<WindowTimer> QtEventLoop::createTimer()
{
#ifdef Q_OS_LINUX
    if (const int fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC); fd >= 0)
        return std::make_unique<LinuxWindowTimer>(*this, fd);
#endif
    return std::make_unique<QtWindowTimer>(*this);
}

void QtEventLoop::Sleep(int ms)
{
    QThread::msleep(static_cast<unsigned long>(ms));
}

int QtEventLoop::millisOfMinute() const
{
    const QTime now = QTime::currentTime();
    return now.second() * 1000 + now.msec();
}
