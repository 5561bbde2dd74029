#pragma once
#include "SerialDevice.h"

#include <QSerialPort>

class EventLoop;

// The real line on QSerialPort. Opened by full device path, because QSerialPortInfo lists
// neither pseudo-terminals nor links.
class QtSerialDevice : public SerialDevice {
public:
    explicit QtSerialDevice(EventLoop& loop);
    ~QtSerialDevice() override;

    void open(const QString& path) override;
    void close() override;
    bool isOpen() const override { return port_.isOpen(); }
    void write(const QByteArray& bytes) override;
    void flushInput() override;

private:
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    QString failureReason(QSerialPort::SerialPortError error) const;

    EventLoop& loop_;
    QSerialPort port_;
};
