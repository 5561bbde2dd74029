// The built program and its single-instance lock.
#include "InstanceLock.h"
#include "ProgramFixture.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

namespace {

const QString refusal = QStringLiteral("Not allowed!  Tarnwick or Quelta already running.");

class Instance : public ProgramTest {
protected:
    // quelta with this test's folders, on a screen nobody sees.
    void launch(QProcess& process)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(QUELTA_PROGRAM), {});
        ASSERT_TRUE(process.waitForStarted(10000)) << process.errorString().toStdString();
    }
    // Refused: ends at once with status 1 and says why.
    void expectRefused(QProcess& process)
    {
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 1);
        EXPECT_TRUE(QString::fromLocal8Bit(process.readAllStandardError()).contains(refusal));
    }
};

TEST_F(Instance, AStartWhileTheLockIsHeldIsRefused)
{
    const std::optional<InstanceLock> held = InstanceLock::acquire();
    ASSERT_TRUE(held);
    QProcess second;
    launch(second);
    expectRefused(second);
    EXPECT_FALSE(QFile::exists(iniPath())); // it never got as far as its window
}

#ifdef Q_OS_LINUX
// Whether the process holds an flock, as the kernel lists them.
bool holdsFlock(qint64 pid)
{
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return false;
    const QString owner = QString::number(pid);
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 4 && fields[1] == "FLOCK" && fields[4] == owner.toLatin1())
            return true;
    }
    return false;
}

TEST_F(Instance, ASecondStartLeavesTheRunningProgramAlone)
{
    QProcess first;
    launch(first);
    QDeadlineTimer deadline(30000);
    while (!holdsFlock(first.processId()) && first.state() == QProcess::Running && !deadline.hasExpired())
        QThread::msleep(20);
    ASSERT_TRUE(holdsFlock(first.processId())) << first.readAllStandardError().toStdString();

    QProcess second;
    launch(second);
    expectRefused(second);
    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_FALSE(InstanceLock::acquire());

    first.kill();
    ASSERT_TRUE(first.waitForFinished(10000));
    EXPECT_TRUE(InstanceLock::acquire()); // the kernel gave it back
}
#endif

} // namespace
