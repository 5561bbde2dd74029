#pragma once
#include <QString>
#include <map>

// COM numbers 1..50 as the program knows them, and where each one lives on this machine.
class PortCatalog {
public:
    virtual ~PortCatalog() = default;
    // The device path of COM n (empty when n has none).
    virtual QString devicePath(int com) const = 0;
    // The port-availability test: the device exists; nothing is opened.
    virtual bool isAvailable(int com) const = 0;
};

// POSIX: <data folder>/ports/COMn when that link exists, else COM1-10 = /dev/ttyUSB0-9,
// COM11-20 = /dev/ttyACM0-9, COM21-50 = /dev/ttyS0-29. Windows: \\.\COMn.
class SystemPortCatalog : public PortCatalog {
public:
    explicit SystemPortCatalog(QString dataDir) : dataDir_(std::move(dataDir)) {}
    QString devicePath(int com) const override;
    bool isAvailable(int com) const override;

private:
    QString dataDir_;
};

// A catalog of fixed entries, for the virtual machine of the tests.
class FixedPortCatalog : public PortCatalog {
public:
    void set(int com, const QString& path, bool available = true) { entries_[com] = Entry{path, available}; }
    void remove(int com) { entries_.erase(com); }
    QString devicePath(int com) const override;
    bool isAvailable(int com) const override;

private:
    struct Entry {
        QString path;
        bool available;
    };
    std::map<int, Entry> entries_;
};
