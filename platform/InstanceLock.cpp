#include "InstanceLock.h"

#include <utility>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

InstanceLock::InstanceLock(InstanceLock&& other) noexcept
#ifdef Q_OS_WIN
    : mutex_(std::exchange(other.mutex_, nullptr))
#else
    : fd_(std::exchange(other.fd_, -1))
#endif
{
}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept
{
    if (this != &other) {
        release();
#ifdef Q_OS_WIN
        mutex_ = std::exchange(other.mutex_, nullptr);
#else
        fd_ = std::exchange(other.fd_, -1);
#endif
    }
    return *this;
}

InstanceLock::~InstanceLock()
{
    release();
}

#ifdef Q_OS_WIN

QString InstanceLock::lockName()
{
    return QStringLiteral("Tarnwick");
}

std::optional<InstanceLock> InstanceLock::acquire()
{
    HANDLE mutex = CreateMutexW(nullptr, TRUE, L"Tarnwick");
    if (mutex == nullptr)
        return std::nullopt;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return std::nullopt;
    }
    return InstanceLock(mutex);
}

void InstanceLock::release() noexcept
{
    if (mutex_ == nullptr)
        return;
    // Released before closing so that a program waiting on the mutex is not told it was abandoned.
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
    mutex_ = nullptr;
}

#else

QString InstanceLock::lockName()
{
    // A relative XDG_RUNTIME_DIR is invalid and would put the lock wherever we were started.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(runtime + QStringLiteral("/Tarnwick"));
    return QStringLiteral("/tmp/Tarnwick-%1").arg(::getuid());
}

std::optional<InstanceLock> InstanceLock::acquire()
{
    const QByteArray path = QFile::encodeName(lockName());
    // No following links: in /tmp anyone may plant one. Close on exec: the help program we start
    // must not keep the lock after we end. Non-blocking: a planted FIFO must not hang the start.
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0)
        return std::nullopt;
    InstanceLock lock(fd);
    // Someone else's file, or no file at all, is not a lock we can trust to be ours alone.
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != ::geteuid())
        return std::nullopt;
    int locked = 0;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0)
        return std::nullopt;
    return lock;
}

void InstanceLock::release() noexcept
{
    if (fd_ < 0)
        return;
    // The file stays: removing it would let two processes lock two different files.
    ::close(fd_);
    fd_ = -1;
}

#endif
