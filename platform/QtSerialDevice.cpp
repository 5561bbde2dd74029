#include "QtSerialDevice.h"

#include "Errors.h"
#include "EventLoop.h"

#include <QFileInfo>

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
    const qint64 written = port_.write(bytes);
    // A line that went away during the write has been closed and reported already.
    if (written != bytes.size() && port_.isOpen())
        throw PortError(QStringLiteral("Write to %1 failed: %2").arg(port_.portName(), port_.errorString()));
    // QSerialPort keeps the bytes until the event loop runs again, but the protocol's pauses
    // block the loop: a module command and its "ACK" trailer went out together, with none of the
    // 20 ms between them. Hand them to the driver now; what it cannot take still goes later.
    if (port_.isOpen())
        port_.flush();
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
        // Qt 6.4 does not close the port on these. When the other end of a terminal goes away,
        // read() returns 0 and Qt reports a ReadError for every poll, at full CPU, with isOpen()
        // still true: close on the first one and report it once.
        if (port_.isOpen()) {
            const QString why = QStringLiteral("%1: %2").arg(port_.portName(), failureReason(error));
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

QString QtSerialDevice::failureReason(QSerialPort::SerialPortError error) const
{
    // The device node of a USB adapter (and of a closed pseudo-terminal) vanishes with it.
    if (!QFileInfo::exists(port_.portName()))
        return QStringLiteral("device removed");
    switch (error) {
    case QSerialPort::ReadError:
        // Qt's error text here is left over from an earlier call (often a refused DTR on a
        // terminal), so it would only mislead.
        return QStringLiteral("the device hung up");
    case QSerialPort::WriteError:
        return QStringLiteral("write failed: ") + port_.errorString();
    default:
        return QStringLiteral("device not available: ") + port_.errorString();
    }
}
