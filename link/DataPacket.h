#pragma once
#include <QByteArray>
#include <functional>
#include <memory>

class ComPort;
class EventLoop;
class WindowTimer;

// A packet collector on ComPort. Enabling a disabled collector starts a new collection; a
// complete packet disables the collector, is delivered, and re-enables it only with AutoEnable.
// Closing the port ends a collection but leaves the collector enabled; reopening starts afresh.
class DataPacket {
public:
    using Handler = std::function<void(const QByteArray&)>;
    // About one second: 18 ticks of 55 ms.
    static constexpr int kTimeoutMs = 18 * 55;

    DataPacket(ComPort& port, EventLoop& loop);
    virtual ~DataPacket();
    DataPacket(const DataPacket&) = delete;
    DataPacket& operator=(const DataPacket&) = delete;

    void setEnabled(bool on);
    bool enabled() const { return enabled_; }
    bool AutoEnable = false;
    void setOnPacket(Handler handler) { onPacket_ = std::move(handler); }

    // Called by ComPort.
    // Offers one received character; true when the collector took it.
    bool offer(char c);
    void portOpened();
    void portClosed();
    // Delivers a completed packet, if any, to the handler.
    void deliverPending();
    bool hasPending() const { return !pending_.isEmpty(); }

protected:
    // Checks what enabling needs; throws when the collector cannot start.
    virtual void validate() const {}
    virtual void beginCollection() = 0;
    // Takes c into the collection; returns true if c was consumed. Sets complete when done.
    virtual bool collect(char c, bool& complete) = 0;
    virtual void dropCollection() = 0;
    virtual QByteArray takePacket() = 0;
    void startTimeout();
    void stopTimeout();

private:
    void start();
    void timedOut();

    ComPort& port_;
    std::unique_ptr<WindowTimer> timeout_;
    Handler onPacket_;
    QByteArray pending_;
    bool enabled_ = false;
};

// Collects exactly PacketSize characters, starting with any character.
class FixedDataPacket : public DataPacket {
public:
    FixedDataPacket(ComPort& port, EventLoop& loop) : DataPacket(port, loop) {}
    // Takes effect when a new collection starts.
    void setPacketSize(int size) { size_ = size; }
    int packetSize() const { return size_; }

protected:
    void validate() const override;
    void beginCollection() override;
    bool collect(char c, bool& complete) override;
    void dropCollection() override { data_.clear(); }
    QByteArray takePacket() override;

private:
    int size_ = 27;
    int active_ = 0;
    QByteArray data_;
};

// Collects from a start string to the next end string, both included.
class FramedDataPacket : public DataPacket {
public:
    FramedDataPacket(ComPort& port, EventLoop& loop) : DataPacket(port, loop) {}
    void setStartString(const QByteArray& s) { start_ = s; }
    void setEndString(const QByteArray& s) { end_ = s; }
    const QByteArray& endString() const { return end_; }

protected:
    void validate() const override;
    void beginCollection() override;
    bool collect(char c, bool& complete) override;
    void dropCollection() override;
    QByteArray takePacket() override;

private:
    QByteArray start_;
    QByteArray end_;
    QByteArray data_;
    bool started_ = false;
};
