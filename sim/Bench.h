#pragma once
#include "BaseStation.h"
#include "Responders.h"

#include <PortCatalog.h>
#include <VirtualEventLoop.h>
#include <VirtualSerialDevice.h>

#include <map>
#include <memory>

namespace sim {

// The simulation's clock on the virtual loop. Its events are device events, so the simulated
// hardware keeps running while the program sleeps.
class VirtualClock : public Clock {
public:
    explicit VirtualClock(VirtualEventLoop& loop) : loop_(loop) {}
    ~VirtualClock() override { *alive_ = false; }
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;

    qint64 nowUs() const override { return loop_.nowUs(); }
    void schedule(qint64 atUs, Action fn) override;

private:
    VirtualEventLoop& loop_;
    // Events still queued when the bench goes away must not run.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// One device path on the virtual port board, with a simulated endpoint behind it.
class VirtualPort : public SerialPeer, public Line {
public:
    void attach(Endpoint& endpoint) { endpoint_ = &endpoint; }

    void receive(char byte, VirtualSerialDevice& line) override;
    void opened(VirtualSerialDevice& line) override;
    void closed() override;
    void send(const QByteArray& bytes) override;
    bool connected() const override { return device_ != nullptr; }

private:
    Endpoint* endpoint_ = nullptr;
    VirtualSerialDevice* device_ = nullptr;
};

// A virtual machine for tests: a port board with ports that stay silent, refuse to open or
// answer garbage, the base station on one of them, a catalog of COM numbers, and the serial
// device the program under test is given.
//
//     VirtualEventLoop loop;
//     sim::Bench bench{loop};
//     bench.addSilentPort(3);
//     bench.addRefusingPort(4);
//     bench.addBaseStation(7);
//     // hand bench.device() and bench.catalog() to the program
class Bench {
public:
    explicit Bench(VirtualEventLoop& loop, StationConfig config = {}, std::uint64_t seed = 1);
    Bench(const Bench&) = delete;
    Bench& operator=(const Bench&) = delete;

    static QString pathOf(int com);

    void addBaseStation(int com);
    void addSilentPort(int com);
    void addRefusingPort(int com);
    void addGarbagePort(int com, QByteArray garbage = GarbageEndpoint::defaultGarbage());

    // The base station's USB adapter is pulled out: an open line on it hangs up, and its COM
    // number is no longer available. Plugging it back makes it available again.
    void pullBaseStation();
    void plugBaseStationBack();

    VirtualEventLoop& loop() { return loop_; }
    VirtualPortBoard& board() { return board_; }
    FixedPortCatalog& catalog() { return catalog_; }
    VirtualSerialDevice& device() { return device_; }
    Clock& clock() { return clock_; }

    BaseStation& station() { return station_; }
    RadioModule& module() { return station_.module(); }
    Pad& pad(char id) { return station_.pad(id); }
    bool typeOnPad(char id, const QByteArray& text) { return station_.typeOnPad(id, text); }
    int baseCom() const { return baseCom_; }
    // What the silent port behind com heard; throws std::out_of_range when there is none.
    const SilentEndpoint& silentPort(int com) const { return *silent_.at(com); }
    const GarbageEndpoint& garbagePort(int com) const { return *garbage_.at(com); }

private:
    VirtualPort& newPort(int com);

    VirtualEventLoop& loop_;
    VirtualClock clock_;
    VirtualPortBoard board_;
    FixedPortCatalog catalog_;
    VirtualSerialDevice device_;
    VirtualPort stationPort_;
    BaseStation station_;
    int baseCom_ = 0;
    std::map<int, std::unique_ptr<VirtualPort>> ports_;
    std::map<int, std::unique_ptr<SilentEndpoint>> silent_;
    std::map<int, std::unique_ptr<GarbageEndpoint>> garbage_;
};

} // namespace sim
