#include "VirtualEventLoop.h"

#include <memory>

namespace {

class VirtualTimer : public WindowTimer {
public:
    explicit VirtualTimer(VirtualEventLoop& loop) : WindowTimer(loop), loop_(loop) {}
    ~VirtualTimer() override { *alive_ = false; }

protected:
    void arm(int ms) override
    {
        ++generation_;
        periodUs_ = qint64(ms) * 1000;
        schedule(loop_.nowUs() + periodUs_);
    }
    void disarm() override { ++generation_; }

private:
    void schedule(qint64 atUs)
    {
        const quint64 gen = generation_;
        loop_.post(atUs, VirtualEventLoop::Kind::Program, [this, gen, atUs, alive = alive_] {
            if (!*alive || gen != generation_)
                return;
            // Like a window timer: the next tick is one period after this one was due, but never
            // in the past when the handler overran.
            qint64 next = atUs + periodUs_;
            if (next <= loop_.nowUs())
                next = loop_.nowUs() + periodUs_;
            schedule(next);
            fire();
        });
    }

    VirtualEventLoop& loop_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    quint64 generation_ = 0;
    qint64 periodUs_ = 0;
};

} // namespace

std::unique_ptr<WindowTimer> VirtualEventLoop::createTimer()
{
    return std::make_unique<VirtualTimer>(*this);
}

int VirtualEventLoop::millisOfMinute() const
{
    return int((minuteOffsetMs_ + nowUs_ / 1000) % 60000);
}

void VirtualEventLoop::post(qint64 atUs, Kind kind, Action action)
{
    (kind == Kind::Program ? program_ : device_).emplace(Key{atUs, seq_++}, std::move(action));
}

void VirtualEventLoop::Sleep(int ms)
{
    const qint64 until = nowUs_ + qint64(ms) * 1000;
    while (!device_.empty() && device_.begin()->first.first <= until) {
        auto node = device_.extract(device_.begin());
        if (node.key().first > nowUs_)
            nowUs_ = node.key().first;
        node.mapped()();
    }
    if (until > nowUs_)
        nowUs_ = until;
}

bool VirtualEventLoop::runNext(qint64 untilUs)
{
    Queue* from = nullptr;
    if (!program_.empty() && program_.begin()->first.first <= untilUs)
        from = &program_;
    if (!device_.empty() && device_.begin()->first.first <= untilUs
        && (from == nullptr || device_.begin()->first < program_.begin()->first))
        from = &device_;
    if (from == nullptr)
        return false;
    auto node = from->extract(from->begin());
    if (node.key().first > nowUs_)
        nowUs_ = node.key().first;
    if (from == &program_) {
        ++programEventsRun_;
        runGuarded(node.mapped());
    } else {
        node.mapped()();
    }
    return true;
}

void VirtualEventLoop::RunFor(qint64 ms)
{
    const qint64 until = nowUs_ + ms * 1000;
    while (runNext(until)) {
    }
    if (until > nowUs_)
        nowUs_ = until;
}

bool VirtualEventLoop::RunUntil(const std::function<bool()>& pred, qint64 limitMs)
{
    const qint64 until = nowUs_ + limitMs * 1000;
    while (!pred()) {
        if (!runNext(until)) {
            if (until > nowUs_)
                nowUs_ = until;
            return pred();
        }
    }
    return true;
}
