#pragma once
#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

class DataPacket;
class EventLoop;
class PortCatalog;
class SerialDevice;

// The serial port component: a COM number, open and close, 8-bit writes, and the input that
// the packet collectors read.
class ComPort {
public:
    using LineLostHandler = std::function<void(const QString&)>;
    using ActivityHandler = std::function<void(bool receive)>;

    ComPort(EventLoop& loop, SerialDevice& device, const PortCatalog& ports);
    ~ComPort();
    ComPort(const ComPort&) = delete;
    ComPort& operator=(const ComPort&) = delete;

    int ComNumber() const { return com_; }
    // The program closes the port before it sets another number.
    void setComNumber(int com) { com_ = com; }
    // Throws PortError when the port cannot be opened; opening an open port changes nothing.
    void Open();
    void Close();
    bool IsOpen() const;
    // Converts to the ANSI code page and queues the bytes; throws PortError when closed.
    void Write(const QString& text);
    // Discards every received character that no collector has consumed.
    void FlushInBuffer();

    void setOnLineLost(LineLostHandler handler) { onLineLost_ = std::move(handler); }
    // Bytes went out or came in: the status lights follow this.
    void setOnActivity(ActivityHandler handler) { onActivity_ = std::move(handler); }

    // For the collectors.
    void attach(DataPacket& collector) { collectors_.push_back(&collector); }
    void detach(DataPacket& collector);

private:
    void received(const QByteArray& bytes);
    // The port is closed (by us or by the device going away): collections in progress end.
    void endInput();
    void lineLost(const QString& why);

    EventLoop& loop_;
    SerialDevice& device_;
    const PortCatalog& ports_;
    std::vector<DataPacket*> collectors_;
    LineLostHandler onLineLost_;
    ActivityHandler onActivity_;
    QByteArray inbox_;
    int com_ = 0;
    bool open_ = false;
};
