#include "VirtualSerialDevice.h"

#include "Errors.h"
#include "VirtualEventLoop.h"

#include <algorithm>

SerialPeer* VirtualPortBoard::peer(const QString& path) const
{
    const auto it = slots_.find(path);
    return it == slots_.end() ? nullptr : it->second.peer;
}

qint64 VirtualSerialDevice::nowUs() const
{
    return loop_.nowUs();
}

void VirtualSerialDevice::open(const QString& path)
{
    if (peer_ != nullptr)
        return;
    if (!board_.exists(path))
        throw PortError(QStringLiteral("Cannot open %1: No such file or directory").arg(path));
    SerialPeer* peer = board_.peer(path);
    if (peer == nullptr)
        throw PortError(QStringLiteral("Cannot open %1: Permission denied").arg(path));
    peer_ = peer;
    path_ = path;
    ++session_;
    peer_->opened(*this);
}

void VirtualSerialDevice::close()
{
    if (peer_ == nullptr)
        return;
    SerialPeer* peer = peer_;
    peer_ = nullptr;
    ++session_;
    peer->closed();
}

void VirtualSerialDevice::write(const QByteArray& bytes)
{
    if (peer_ == nullptr)
        throw PortError(QStringLiteral("Port not open"));
    writes_.push_back(Write{nowUs(), path_, bytes});
    qint64 at = std::max(txFreeUs_, nowUs());
    for (const char byte : bytes) {
        at += kByteUs;
        const quint64 session = session_;
        loop_.post(at, VirtualEventLoop::Kind::Device, [this, session, byte] {
            if (session == session_ && peer_ != nullptr)
                peer_->receive(byte, *this);
        });
    }
    txFreeUs_ = at;
}

void VirtualSerialDevice::peerSend(const SerialPeer& from, const QByteArray& bytes)
{
    if (peer_ != &from)
        return;
    qint64 at = std::max(rxFreeUs_, nowUs());
    for (const char byte : bytes) {
        at += kByteUs;
        const quint64 session = session_;
        loop_.post(at, VirtualEventLoop::Kind::Program, [this, session, byte, at] {
            if (session == session_ && peer_ != nullptr && at > flushedUpToUs_)
                deliver(QByteArray(1, byte));
        });
    }
    rxFreeUs_ = at;
}

void VirtualSerialDevice::hangUp(const QString& why)
{
    if (peer_ == nullptr)
        return;
    close();
    // The program hears of it as an event of its own, like the real driver's error signal.
    loop_.post(nowUs(), VirtualEventLoop::Kind::Program, [this, why] { fail(why); });
}
