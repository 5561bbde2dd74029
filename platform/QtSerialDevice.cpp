#include "QtSerialDevice.h"

#include "Errors.h"
#include "EventLoop.h"

QtSerialDevice::QtSerialDevice(EventLoop& loop) : loop_(loop)
{
    QObject::connect(&port_, &QSerialPort::readyRead, [this] { loop_.runGuarded([this] { onReadyRead(); }); });
    QObject::connect(&port_, &QSerialPort::errorOccurred,
                     [this](QSerialPort::SerialPortError e) { loop_.runGuarded([this, e] { onError(e); }); });
}

QtSerialDevice::~QtSerialDevice()
{
    if (port_.isOpen())
        port_.close();
}

void QtSerialDevice::open(const QString& path)
{
    if (port_.isOpen())
        return;
    port_.setPortName(path);
    port_.setBaudRate(QSerialPort::Baud19200);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    port_.setReadBufferSize(0);
    if (!port_.open(QIODevice::ReadWrite))
        throw PortError(QStringLiteral("Cannot open %1: %2").arg(path, port_.errorString()));
    // A pseudo-terminal refuses DTR and RTS with UnsupportedOperationError; that is no open failure.
    port_.setDataTerminalReady(true);
    port_.setRequestToSend(true);
    port_.clearError();
    // Qt keeps what the driver received before the open; the program must not see it.
    port_.clear(QSerialPort::AllDirections);
}

void QtSerialDevice::close()
{
    if (port_.isOpen())
        port_.close();
    port_.clearError();
}

void QtSerialDevice::write(const QByteArray& bytes)
{
    if (!port_.isOpen())
        throw PortError(QStringLiteral("Port not open"));
    if (port_.write(bytes) != bytes.size())
        throw PortError(QStringLiteral("Write to %1 failed: %2").arg(port_.portName(), port_.errorString()));
}

void QtSerialDevice::flushInput()
{
    if (port_.isOpen()) {
        port_.clear(QSerialPort::Input);
        port_.readAll();
    }
}

void QtSerialDevice::onReadyRead()
{
    const QByteArray bytes = port_.readAll();
    if (!bytes.isEmpty())
        deliver(bytes);
}

void QtSerialDevice::onError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
        // Qt 6.4 floods errors at full CPU after a hang-up while isOpen() stays true: close on the
        // first one and report it once.
        if (port_.isOpen()) {
            const QString why = QStringLiteral("%1: %2").arg(port_.portName(), port_.errorString());
            port_.close();
            port_.clearError();
            fail(why);
        }
        break;
    default:
        // NoError follows successful calls; open and DTR/RTS errors are handled where they occur.
        break;
    }
}
