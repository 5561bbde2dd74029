#include "VersionSystem.h"

#ifdef Q_OS_WIN

#include "VersionErrors.h"
#include "VersionNames.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <type_traits>
#include <vector>

namespace verinfo {

namespace {

const wchar_t* wide(const QString& text)
{
    return reinterpret_cast<const wchar_t*>(text.utf16());
}

// A routine looked up in a system library. The library stays loaded for as long as the routine
// is held: releasing it before the call could unload the code the address points into.
class LibraryRoutine {
public:
    LibraryRoutine(const wchar_t* library, const char* routine) : module_(LoadLibraryW(library))
    {
        if (module_)
            routine_ = GetProcAddress(module_.get(), routine);
    }
    explicit operator bool() const { return routine_ != nullptr; }
    template <typename Function>
    Function as() const
    {
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(routine_));
    }

private:
    struct Release {
        void operator()(HMODULE module) const { FreeLibrary(module); }
    };
    std::unique_ptr<std::remove_pointer_t<HMODULE>, Release> module_;
    FARPROC routine_ = nullptr;
};

// Looked up at run time because old systems lack it.
LibraryRoutine loadProcAddr(const wchar_t* library, const char* routine)
{
    return LibraryRoutine(library, routine);
}

struct LocalRelease {
    void operator()(wchar_t* buffer) const { LocalFree(buffer); }
};

} // namespace

quint32 VersionSystem::fileVersionInfoSize(const QString& fileName, quint32& handle)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(wide(fileName), &ignored);
    handle = ignored;
    return size;
}

bool VersionSystem::fileVersionInfo(const QString& fileName, QByteArray& block)
{
    return GetFileVersionInfoW(wide(fileName), 0, DWORD(block.size()), block.data()) != FALSE;
}

std::optional<QString> VersionSystem::queryText(const QByteArray& block, const QString& subBlock)
{
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.constData(), wide(subBlock), &value, &length))
        return std::nullopt;
    if (!value || length == 0)
        return QString();
    QString text = QString::fromWCharArray(static_cast<const wchar_t*>(value), int(length));
    if (const qsizetype nul = text.indexOf(QChar(0)); nul >= 0)
        text.truncate(nul);
    return text;
}

std::optional<QByteArray> VersionSystem::queryBinary(const QByteArray& block, const QString& subBlock)
{
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.constData(), wide(subBlock), &value, &length))
        return std::nullopt;
    if (!value)
        return QByteArray();
    return QByteArray(static_cast<const char*>(value), qsizetype(length));
}

std::optional<QString> VersionSystem::languageName(quint32 languageId)
{
    constexpr DWORD kCapacity = 64;
    wchar_t buffer[kCapacity] = {};
    const DWORD length = VerLanguageNameW(languageId, buffer, kCapacity);
    if (length == 0)
        return std::nullopt;
    return QString::fromWCharArray(buffer, int(std::min<DWORD>(length, kCapacity - 1)));
}

QString VersionSystem::codePageName(quint32 codePage)
{
    using GetCPInfoExWFunction = BOOL(WINAPI*)(UINT, DWORD, LPCPINFOEXW);
    CPINFOEXW info{};
    if (const auto routine = loadProcAddr(L"kernel32.dll", "GetCPInfoExW");
        routine && routine.as<GetCPInfoExWFunction>()(codePage, 0, &info))
        return QString::fromWCharArray(info.CodePageName, int(wcsnlen(info.CodePageName, MAX_PATH)));
    CPINFO basic{};
    if (GetCPInfo(codePage, &basic))
        return knownCodePageName(codePage).value_or(QString::number(codePage));
    return fallbackCodePageName(codePage);
}

QString VersionSystem::runningProgramFile() const
{
    std::vector<wchar_t> buffer(MAX_PATH);
    while (buffer.size() <= 32768) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size())
            return QString::fromWCharArray(buffer.data(), int(length));
        buffer.resize(buffer.size() * 2);
    }
    return {};
}

quint32 VersionSystem::lastError() const
{
    return GetLastError();
}

void VersionSystem::setLastError(quint32 code)
{
    SetLastError(code);
}

QString VersionSystem::errorMessage(quint32 code) const
{
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const std::unique_ptr<wchar_t, LocalRelease> owner(buffer);
    if (length == 0 || !buffer)
        return verinfo::errorMessage(code);
    return QString::fromWCharArray(buffer, int(length));
}

void VersionSystem::showErrorDialog(const QString& text) const
{
    MessageBoxW(GetActiveWindow(), wide(text), nullptr, MB_OK | MB_ICONERROR);
}

} // namespace verinfo

#endif
