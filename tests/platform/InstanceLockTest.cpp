#include "InstanceLock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <utility>

#ifndef Q_OS_WIN
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace {

// Each test gets its own runtime folder, so the lock is never the one of a real Quelta.
class InstanceLockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(runtime_.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path()));
    }
    void TearDown() override
    {
        if (saved_.isNull())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", saved_);
    }

    QTemporaryDir runtime_;
    const QByteArray saved_ = qgetenv("XDG_RUNTIME_DIR");
};

TEST_F(InstanceLockTest, SecondAcquireFailsWhileTheFirstIsHeld)
{
    std::optional<InstanceLock> first = InstanceLock::acquire();
    ASSERT_TRUE(first);
    EXPECT_FALSE(InstanceLock::acquire());
    first.reset();
    EXPECT_TRUE(InstanceLock::acquire());
}

TEST_F(InstanceLockTest, MovingTheLockKeepsItHeldUntilTheLastOwnerEnds)
{
    std::optional<InstanceLock> first = InstanceLock::acquire();
    ASSERT_TRUE(first);
    std::optional<InstanceLock> moved = std::move(*first);
    first.reset();
    EXPECT_FALSE(InstanceLock::acquire());

    std::optional<InstanceLock> assigned = InstanceLock::acquire();
    EXPECT_FALSE(assigned);
    assigned = std::move(moved);
    moved.reset();
    EXPECT_FALSE(InstanceLock::acquire());
    assigned.reset();
    EXPECT_TRUE(InstanceLock::acquire());
}

#ifndef Q_OS_WIN

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    int get() const { return fd_; }
    void reset()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

// Close-on-exec, so that only what a test hands over explicitly reaches a started program.
class Pipe {
public:
    Pipe() : Pipe(open()) {}
    Fd read;
    Fd write;

private:
    explicit Pipe(std::array<int, 2> fds) : read(fds[0]), write(fds[1]) {}
    static std::array<int, 2> open()
    {
        std::array<int, 2> fds{-1, -1};
        if (::pipe2(fds.data(), O_CLOEXEC) != 0)
            fds = {-1, -1};
        return fds;
    }
};

// Kills and reaps a child that a failed assertion would otherwise leave behind.
class Child {
public:
    explicit Child(pid_t pid) : pid_(pid) {}
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    int killAndReap()
    {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(std::exchange(pid_, -1), &status, 0);
        return status;
    }
    int reap()
    {
        int status = 0;
        ::waitpid(std::exchange(pid_, -1), &status, 0);
        return status;
    }

private:
    pid_t pid_;
};

TEST_F(InstanceLockTest, LockFileIsPrivateAndWhereTheRuntimeFolderSays)
{
    const std::optional<InstanceLock> lock = InstanceLock::acquire();
    ASSERT_TRUE(lock);
    EXPECT_EQ(InstanceLock::lockName(), runtime_.filePath("Tarnwick"));
    struct stat status {};
    ASSERT_EQ(::lstat(QFile::encodeName(runtime_.filePath("Tarnwick")).constData(), &status), 0);
    EXPECT_TRUE(S_ISREG(status.st_mode));
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST_F(InstanceLockTest, WithoutAnAbsoluteRuntimeFolderTheLockIsInTmpPerUser)
{
    const QString perUser = QStringLiteral("/tmp/Tarnwick-%1").arg(::getuid());
    struct Case {
        const char* runtime; // nullptr: unset
        QString expected;
    };
    for (const Case& c : {Case{nullptr, perUser}, Case{"", perUser}, Case{"relative/run", perUser},
                          Case{"/run/user/1000/", "/run/user/1000/Tarnwick"}}) {
        if (c.runtime)
            qputenv("XDG_RUNTIME_DIR", c.runtime);
        else
            qunsetenv("XDG_RUNTIME_DIR");
        EXPECT_EQ(InstanceLock::lockName(), c.expected) << (c.runtime ? c.runtime : "unset");
    }
}

TEST_F(InstanceLockTest, KilledHolderLeavesTheLockFree)
{
    Pipe ready;
    Pipe hold;
    ASSERT_GE(ready.write.get(), 0);
    ASSERT_GE(hold.write.get(), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        hold.write.reset();
        const std::optional<InstanceLock> lock = InstanceLock::acquire();
        const char held = lock ? 'y' : 'n';
        if (::write(ready.write.get(), &held, 1) != 1)
            ::_exit(2);
        // Blocks until it is killed, or until the test process goes away.
        char ignored = 0;
        [[maybe_unused]] const ssize_t got = ::read(hold.read.get(), &ignored, 1);
        ::_exit(0);
    }
    Child child(pid);
    ready.write.reset();
    char held = 0;
    ASSERT_EQ(::read(ready.read.get(), &held, 1), 1);
    ASSERT_EQ(held, 'y');
    EXPECT_FALSE(InstanceLock::acquire());

    const int status = child.killAndReap();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_TRUE(InstanceLock::acquire());
}

// A program started while the lock is held (the help program) must not keep it after we let go.
TEST_F(InstanceLockTest, ProgramsWeStartDoNotInheritTheLock)
{
    std::optional<InstanceLock> lock = InstanceLock::acquire();
    ASSERT_TRUE(lock);

    Pipe input;
    Pipe output;
    posix_spawn_file_actions_t actions;
    ASSERT_EQ(::posix_spawn_file_actions_init(&actions), 0);
    ::posix_spawn_file_actions_adddup2(&actions, input.read.get(), STDIN_FILENO);
    ::posix_spawn_file_actions_adddup2(&actions, output.write.get(), STDOUT_FILENO);
    char cat[] = "cat";
    char* const argv[] = {cat, nullptr};
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, "cat", &actions, nullptr, argv, environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ASSERT_EQ(spawned, 0);
    Child child(pid);
    input.read.reset();
    output.write.reset();

    // posix_spawn returns before the child has closed its close-on-exec descriptors; a byte
    // echoed by cat proves it is past that point.
    const char ping = 'x';
    ASSERT_EQ(::write(input.write.get(), &ping, 1), 1);
    char echoed = 0;
    ASSERT_EQ(::read(output.read.get(), &echoed, 1), 1);
    ASSERT_EQ(echoed, ping);

    lock.reset();
    EXPECT_TRUE(InstanceLock::acquire());

    input.write.reset(); // end of input ends cat
    const int status = child.reap();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(InstanceLockTest, SomethingPlantedAtTheLockPathIsRefusedAndNotFollowed)
{
    const QString lockPath = runtime_.filePath("Tarnwick");
    const QString victim = runtime_.filePath("victim");
    const QByteArray lockPath8 = QFile::encodeName(lockPath);
    struct Case {
        const char* what;
        std::function<bool()> plant;
        bool victimExists;
    };
    const Case cases[] = {
        {"link to a missing file", [&] { return QFile::link(victim, lockPath); }, false},
        {"link to a file of ours",
         [&] {
             QFile file(victim);
             return file.open(QIODevice::WriteOnly) && QFile::link(victim, lockPath);
         },
         true},
        {"FIFO", [&] { return ::mkfifo(lockPath8.constData(), 0600) == 0; }, false},
        {"folder", [&] { return QDir(runtime_.path()).mkdir("Tarnwick"); }, false},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(c.plant()) << c.what;
        EXPECT_FALSE(InstanceLock::acquire()) << c.what;
        // Following the link would have created the victim.
        EXPECT_EQ(QFile::exists(victim), c.victimExists) << c.what;
        QFile::remove(victim);
        if (!QFile::remove(lockPath))
            QDir(runtime_.path()).rmdir("Tarnwick");
    }
}

#endif

} // namespace
