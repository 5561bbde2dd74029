#include "PortCatalog.h"

#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#include <vector>
#endif

QString SystemPortCatalog::devicePath(int com) const
{
    if (com < 1 || com > 50)
        return {};
#ifdef Q_OS_WIN
    return QStringLiteral("\\\\.\\COM%1").arg(com);
#else
    if (!dataDir_.isEmpty()) {
        const QString link = QDir(dataDir_).filePath(QStringLiteral("ports/COM%1").arg(com));
        // A dangling link still names the port: opening it then fails like an absent device.
        if (QFileInfo(link).isSymLink() || QFileInfo::exists(link))
            return link;
    }
    if (com <= 10)
        return QStringLiteral("/dev/ttyUSB%1").arg(com - 1);
    if (com <= 20)
        return QStringLiteral("/dev/ttyACM%1").arg(com - 11);
    return QStringLiteral("/dev/ttyS%1").arg(com - 21);
#endif
}

bool SystemPortCatalog::isAvailable(int com) const
{
    if (com < 1 || com > 50)
        return false;
#ifdef Q_OS_WIN
    const std::wstring name = L"COM" + std::to_wstring(com);
    DWORD size = sizeof(COMMCONFIG);
    std::vector<BYTE> buffer(size);
    if (GetDefaultCommConfigW(name.c_str(), reinterpret_cast<COMMCONFIG*>(buffer.data()), &size))
        return true;
    if (size <= buffer.size())
        return false;
    buffer.resize(size);
    return GetDefaultCommConfigW(name.c_str(), reinterpret_cast<COMMCONFIG*>(buffer.data()), &size) != 0;
#else
    // exists() follows links: a link to a vanished pseudo-terminal is not available.
    return QFileInfo::exists(devicePath(com));
#endif
}

QString FixedPortCatalog::devicePath(int com) const
{
    const auto it = entries_.find(com);
    return it == entries_.end() ? QString() : it->second.path;
}

bool FixedPortCatalog::isAvailable(int com) const
{
    const auto it = entries_.find(com);
    return it != entries_.end() && it->second.available;
}
