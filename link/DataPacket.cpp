#include "DataPacket.h"

#include "ComPort.h"
#include "Errors.h"
#include "EventLoop.h"

DataPacket::DataPacket(ComPort& port, EventLoop& loop) : port_(port), timeout_(loop.createTimer())
{
    timeout_->setInterval(kTimeoutMs);
    timeout_->setOnTick([this] { timedOut(); });
    port_.attach(*this);
}

DataPacket::~DataPacket()
{
    port_.detach(*this);
}

void DataPacket::setEnabled(bool on)
{
    if (on == enabled_)
        return;
    if (on) {
        validate();
        enabled_ = true;
        if (port_.IsOpen())
            start();
    } else {
        enabled_ = false;
        dropCollection();
        stopTimeout();
    }
}

void DataPacket::start()
{
    beginCollection();
}

bool DataPacket::offer(char c)
{
    if (!enabled_ || !pending_.isEmpty())
        return false;
    bool complete = false;
    const bool consumed = collect(c, complete);
    if (complete) {
        pending_ = takePacket();
        enabled_ = false;
        stopTimeout();
    }
    return consumed;
}

void DataPacket::deliverPending()
{
    const QByteArray packet = std::exchange(pending_, QByteArray());
    if (onPacket_)
        onPacket_(packet);
    if (AutoEnable && !enabled_)
        setEnabled(true);
}

void DataPacket::portOpened()
{
    if (enabled_)
        start();
}

void DataPacket::portClosed()
{
    if (!enabled_)
        return;
    dropCollection();
    stopTimeout();
}

void DataPacket::startTimeout()
{
    timeout_->setEnabled(false);
    timeout_->setEnabled(true);
}

void DataPacket::stopTimeout()
{
    timeout_->setEnabled(false);
}

void DataPacket::timedOut()
{
    enabled_ = false;
    dropCollection();
    stopTimeout();
}

void FixedDataPacket::validate() const
{
    if (size_ <= 0)
        throw QueltaError(QStringLiteral("Invalid packet size %1").arg(size_));
}

void FixedDataPacket::beginCollection()
{
    active_ = size_;
    data_.clear();
    // The time-out runs from the enabling, not from the first character.
    startTimeout();
}

bool FixedDataPacket::collect(char c, bool& complete)
{
    data_.append(c);
    complete = data_.size() >= active_;
    return true;
}

QByteArray FixedDataPacket::takePacket()
{
    return std::exchange(data_, QByteArray());
}

void FramedDataPacket::validate() const
{
    if (start_.isEmpty() || end_.isEmpty())
        throw QueltaError(QStringLiteral("Framed packet needs a start and an end string"));
}

void FramedDataPacket::beginCollection()
{
    data_.clear();
    started_ = false;
}

bool FramedDataPacket::collect(char c, bool& complete)
{
    data_.append(c);
    if (!started_) {
        if (data_.size() > start_.size())
            data_.remove(0, data_.size() - start_.size());
        if (data_ != start_)
            return false;
        started_ = true;
        // The time-out runs from the start string.
        startTimeout();
        return true;
    }
    complete = data_.size() >= start_.size() + end_.size() && data_.endsWith(end_);
    return true;
}

void FramedDataPacket::dropCollection()
{
    data_.clear();
    started_ = false;
}

QByteArray FramedDataPacket::takePacket()
{
    started_ = false;
    return std::exchange(data_, QByteArray());
}
