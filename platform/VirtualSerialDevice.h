#pragma once
#include "SerialDevice.h"

#include <QByteArray>
#include <QString>
#include <map>
#include <vector>

class VirtualEventLoop;
class VirtualSerialDevice;

// The far end of a virtual line: a simulated base station, or a port that never answers.
class SerialPeer {
public:
    virtual ~SerialPeer() = default;
    // One byte from the program reached the peer (a device event on the virtual loop).
    virtual void receive(char byte, VirtualSerialDevice& line) = 0;
    virtual void opened(VirtualSerialDevice&) {}
    virtual void closed() {}
};

// What stands behind each device path on the virtual machine.
class VirtualPortBoard {
public:
    void plug(const QString& path, SerialPeer& peer) { slots_[path] = Slot{&peer, false}; }
    // The device node exists, but opening it fails (held by another program, refused).
    void plugRefusing(const QString& path) { slots_[path] = Slot{nullptr, true}; }
    void unplug(const QString& path) { slots_.erase(path); }
    bool exists(const QString& path) const { return slots_.count(path) != 0; }
    // The peer behind path, or nullptr when the path is absent or refuses to open.
    SerialPeer* peer(const QString& path) const;

private:
    struct Slot {
        SerialPeer* peer;
        bool refuses;
    };
    std::map<QString, Slot> slots_;
};

// An in-process serial line on the virtual loop with 19200-baud timing in both directions:
// one byte (start, 8 data, stop) takes about 0.52 ms on the wire.
class VirtualSerialDevice : public SerialDevice {
public:
    static constexpr qint64 kByteUs = 521;

    struct Write {
        qint64 atUs;   // when the program handed the bytes over
        QString path;  // the device they went to
        QByteArray bytes;
    };

    VirtualSerialDevice(VirtualEventLoop& loop, VirtualPortBoard& board) : loop_(loop), board_(board) {}

    void open(const QString& path) override;
    void close() override;
    bool isOpen() const override { return peer_ != nullptr; }
    void write(const QByteArray& bytes) override;
    void flushInput() override { flushedUpToUs_ = nowUs(); }

    // Peer side: bytes sent towards the program, paced at the baud rate. Lost when the line
    // is no longer open on that peer by the time they are sent.
    void peerSend(const SerialPeer& from, const QByteArray& bytes);
    // The device vanished under an open port (a USB adapter pulled out).
    void hangUp(const QString& why);

    const QString& path() const { return path_; }
    const std::vector<Write>& writes() const { return writes_; }
    void clearWrites() { writes_.clear(); }

private:
    qint64 nowUs() const;

    VirtualEventLoop& loop_;
    VirtualPortBoard& board_;
    SerialPeer* peer_ = nullptr;
    QString path_;
    quint64 session_ = 0;
    qint64 txFreeUs_ = 0;
    qint64 rxFreeUs_ = 0;
    qint64 flushedUpToUs_ = -1;
    std::vector<Write> writes_;
};
