#include "DataFolder.h"

#include <QDir>

#ifdef Q_OS_WIN
#include <shlobj.h>
#include <windows.h>
#endif

QString dataFolder()
{
#ifdef Q_OS_WIN
    wchar_t path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, path, CSIDL_COMMON_APPDATA, FALSE))
        return {};
    return QString::fromWCharArray(path) + QStringLiteral("\\Orvane\\TarnwickUtils\\");
#else
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty()) {
        const QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty())
            return {};
        base = home + QStringLiteral("/.config");
    }
    return base + QStringLiteral("/Orvane/TarnwickUtils/");
#endif
}
