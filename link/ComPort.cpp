#include "ComPort.h"

#include "AnsiCodePage.h"
#include "DataPacket.h"
#include "Errors.h"
#include "EventLoop.h"
#include "PortCatalog.h"
#include "SerialDevice.h"

#include <algorithm>

ComPort::ComPort(EventLoop& loop, SerialDevice& device, const PortCatalog& ports)
    : loop_(loop), device_(device), ports_(ports)
{
    device_.setOnBytes([this](const QByteArray& bytes) { received(bytes); });
    device_.setOnFailure([this](const QString& why) { lineLost(why); });
}

ComPort::~ComPort()
{
    device_.setOnBytes({});
    device_.setOnFailure({});
}

void ComPort::detach(DataPacket& collector)
{
    collectors_.erase(std::remove(collectors_.begin(), collectors_.end(), &collector), collectors_.end());
}

void ComPort::Open()
{
    if (IsOpen())
        return;
    const QString path = ports_.devicePath(com_);
    if (path.isEmpty())
        throw PortError(QStringLiteral("COM%1 does not exist").arg(com_));
    device_.open(path);
    open_ = true;
    inbox_.clear();
    for (DataPacket* c : collectors_)
        c->portOpened();
}

void ComPort::Close()
{
    device_.close();
    endInput();
}

void ComPort::endInput()
{
    const bool wasOpen = open_;
    open_ = false;
    inbox_.clear();
    if (wasOpen)
        for (DataPacket* c : collectors_)
            c->portClosed();
}

bool ComPort::IsOpen() const
{
    return open_ && device_.isOpen();
}

void ComPort::Write(const QString& text)
{
    if (!IsOpen())
        throw PortError(QStringLiteral("COM%1 is not open").arg(com_));
    device_.write(ansi::fromUnicode(text));
    if (onActivity_)
        onActivity_(false);
}

void ComPort::FlushInBuffer()
{
    inbox_.clear();
    if (IsOpen())
        device_.flushInput();
}

void ComPort::received(const QByteArray& bytes)
{
    if (!open_)
        return;
    if (onActivity_)
        onActivity_(true);
    const bool alreadyReading = !inbox_.isEmpty();
    inbox_.append(bytes);
    if (alreadyReading)
        return;
    // One character at a time: a packet handler may flush, close or re-arm the collectors, and
    // the characters after its packet must see that.
    while (!inbox_.isEmpty()) {
        const char c = inbox_.at(0);
        for (DataPacket* collector : collectors_)
            collector->offer(c);
        for (DataPacket* collector : collectors_)
            if (collector->hasPending())
                loop_.runGuarded([collector] { collector->deliverPending(); });
        if (!inbox_.isEmpty())
            inbox_.remove(0, 1);
    }
}

void ComPort::lineLost(const QString& why)
{
    endInput();
    if (onLineLost_)
        onLineLost_(why);
}
