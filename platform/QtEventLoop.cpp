#include "QtEventLoop.h"

#include <QThread>
#include <QTime>
#include <QTimer>

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

} // namespace

QtEventLoop::QtEventLoop()
{
    clock_.start();
}

std::unique_ptr<WindowTimer> QtEventLoop::createTimer()
{
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
