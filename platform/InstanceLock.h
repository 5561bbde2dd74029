#pragma once
#include <QString>
#include <QStringView>
#include <optional>

// Only one program may drive the base station: this one and the companion scoring program both
// take the lock "Tarnwick" and stay away while someone else holds it. The lock is held for the
// object's lifetime and given back by the system when the process ends, however it ends.
class InstanceLock {
public:
    // Nothing when another process (or another lock object here) holds it, or when the lock
    // cannot be made: either way this program must not run.
    static std::optional<InstanceLock> acquire();

    // POSIX: the lock file, $XDG_RUNTIME_DIR/Tarnwick, else /tmp/Tarnwick-<uid>.
    // Windows: the name of the mutex.
    static QString lockName();

    InstanceLock(InstanceLock&& other) noexcept;
    InstanceLock& operator=(InstanceLock&& other) noexcept;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    ~InstanceLock();

private:
#ifdef Q_OS_WIN
    explicit InstanceLock(void* mutex) : mutex_(mutex) {}
    void release() noexcept;
    void* mutex_ = nullptr;
#else
    explicit InstanceLock(int fd) : fd_(fd) {}
    void release() noexcept;
    int fd_ = -1;
#endif
};

// The refusal when the lock is taken (two spaces after the exclamation mark).
inline constexpr QStringView alreadyRunningCaption = u"Already running";
inline constexpr QStringView alreadyRunningText = u"Not allowed!  Tarnwick or Quelta already running.";
