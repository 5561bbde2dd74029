#include "Bench.h"

namespace sim {

static_assert(kByteUs == VirtualSerialDevice::kByteUs);

void VirtualClock::schedule(qint64 atUs, Action fn)
{
    loop_.post(std::max(atUs, loop_.nowUs()), VirtualEventLoop::Kind::Device,
               [alive = alive_, fn = std::move(fn)] {
                   if (*alive)
                       fn();
               });
}

void VirtualPort::receive(char byte, VirtualSerialDevice& line)
{
    device_ = &line;
    if (endpoint_ != nullptr)
        endpoint_->receive(byte);
}

void VirtualPort::opened(VirtualSerialDevice& line)
{
    device_ = &line;
    if (endpoint_ != nullptr)
        endpoint_->connected();
}

void VirtualPort::closed()
{
    device_ = nullptr;
    if (endpoint_ != nullptr)
        endpoint_->disconnected();
}

void VirtualPort::send(const QByteArray& bytes)
{
    if (device_ != nullptr)
        device_->peerSend(*this, bytes);
}

Bench::Bench(VirtualEventLoop& loop, StationConfig config, std::uint64_t seed)
    : loop_(loop), clock_(loop), device_(loop, board_), station_(clock_, stationPort_, std::move(config), seed)
{
    stationPort_.attach(station_);
}

QString Bench::pathOf(int com)
{
    return QStringLiteral("/sim/COM%1").arg(com);
}

VirtualPort& Bench::newPort(int com)
{
    auto& port = ports_[com];
    port = std::make_unique<VirtualPort>();
    board_.plug(pathOf(com), *port);
    catalog_.set(com, pathOf(com));
    return *port;
}

void Bench::addBaseStation(int com)
{
    baseCom_ = com;
    plugBaseStationBack();
}

void Bench::addSilentPort(int com)
{
    VirtualPort& port = newPort(com);
    auto& endpoint = silent_[com];
    endpoint = std::make_unique<SilentEndpoint>();
    port.attach(*endpoint);
}

void Bench::addRefusingPort(int com)
{
    board_.plugRefusing(pathOf(com));
    catalog_.set(com, pathOf(com));
}

void Bench::addGarbagePort(int com, QByteArray garbage)
{
    VirtualPort& port = newPort(com);
    auto& endpoint = garbage_[com];
    endpoint = std::make_unique<GarbageEndpoint>(clock_, port, std::move(garbage));
    port.attach(*endpoint);
}

void Bench::pullBaseStation()
{
    if (baseCom_ == 0)
        return;
    const QString path = pathOf(baseCom_);
    if (device_.isOpen() && device_.path() == path)
        device_.hangUp(QStringLiteral("The device %1 was removed").arg(path));
    board_.unplug(path);
    catalog_.set(baseCom_, path, false);
}

void Bench::plugBaseStationBack()
{
    if (baseCom_ == 0)
        return;
    board_.plug(pathOf(baseCom_), stationPort_);
    catalog_.set(baseCom_, pathOf(baseCom_));
}

} // namespace sim
