#pragma once
#include "EventLoop.h"

#include <QElapsedTimer>

// The program's event loop: Qt's, with precise timers and a real blocking pause.
class QtEventLoop : public EventLoop {
public:
    QtEventLoop();
    std::unique_ptr<WindowTimer> createTimer() override;
    void Sleep(int ms) override;
    qint64 elapsedMs() const override { return clock_.elapsed(); }
    int millisOfMinute() const override;

private:
    QElapsedTimer clock_;
};
