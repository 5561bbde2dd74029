#pragma once
#include <QByteArray>
#include <QString>
#include <functional>

// One serial line, opened by device path, 19200 8N1, no flow control, DTR and RTS raised.
class SerialDevice {
public:
    using BytesHandler = std::function<void(const QByteArray&)>;
    using FailureHandler = std::function<void(const QString&)>;

    virtual ~SerialDevice() = default;

    // Throws PortError when the device cannot be opened.
    virtual void open(const QString& path) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Queues the bytes and returns at once; throws PortError when the device is closed.
    virtual void write(const QByteArray& bytes) = 0;
    // Discards what the driver has received but not yet handed over.
    virtual void flushInput() = 0;

    // Bytes arrived, on the event loop.
    void setOnBytes(BytesHandler handler) { onBytes_ = std::move(handler); }
    // The line went away while open (device pulled out); the device is already closed.
    void setOnFailure(FailureHandler handler) { onFailure_ = std::move(handler); }

protected:
    void deliver(const QByteArray& bytes) const
    {
        if (onBytes_)
            onBytes_(bytes);
    }
    void fail(const QString& why) const
    {
        if (onFailure_)
            onFailure_(why);
    }

private:
    BytesHandler onBytes_;
    FailureHandler onFailure_;
};
