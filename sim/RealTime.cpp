#include "RealTime.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <stdexcept>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace sim {
namespace {

// The program may stop reading; beyond this its bytes are dropped, as a full driver buffer would.
constexpr std::size_t kMaxPending = 64 * 1024;

std::runtime_error systemError(const QString& what)
{
    return std::runtime_error((what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno))).toStdString());
}

QString linkTarget(const QString& link)
{
    return QFileInfo(link).symLinkTarget();
}

} // namespace

qint64 RealClock::nowUs() const
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start_).count();
}

void RealClock::schedule(qint64 atUs, Action fn)
{
    timers_.emplace(Key{atUs, seq_++}, std::move(fn));
}

void RealClock::runDue()
{
    while (!timers_.empty() && timers_.begin()->first.first <= nowUs()) {
        auto node = timers_.extract(timers_.begin());
        node.mapped()();
    }
}

qint64 RealClock::nextDueUs() const
{
    return timers_.empty() ? -1 : timers_.begin()->first.first;
}

PtyPort::PtyPort(RealClock& clock, int com, const QString& portsFolder)
    : clock_(clock), com_(com), portsFolder_(portsFolder)
{
    claim();
    try {
        openTerminal();
        makeLink();
    } catch (...) {
        if (master_ >= 0)
            ::close(master_);
        ::close(claim_);
        throw;
    }
}

PtyPort::~PtyPort()
{
    removeLink();
    if (master_ >= 0)
        ::close(master_);
    ::close(claim_);
}

void PtyPort::claim()
{
    // Whether another simulator serves this COM number cannot be told from its link: terminal
    // numbers are reused at once, so a stale link of a killed simulator often leads to a live
    // terminal of someone else. A lock on a file beside the link can: the kernel drops it with
    // its holder.
    if (!QDir().mkpath(portsFolder_))
        throw std::runtime_error(QStringLiteral("cannot create %1").arg(portsFolder_).toStdString());
    const QString path = QDir(portsFolder_).filePath(QStringLiteral("COM%1.lock").arg(com_));
    claim_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (claim_ < 0)
        throw systemError(QStringLiteral("cannot open %1").arg(path));
    if (::flock(claim_, LOCK_EX | LOCK_NB) != 0) {
        ::close(claim_);
        throw std::runtime_error(QStringLiteral("COM%1 is served by another kivo-sim").arg(com_).toStdString());
    }
}

void PtyPort::openTerminal()
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0)
        throw systemError(QStringLiteral("posix_openpt"));
    // The default terminal mode would swallow EOT and turn CR into LF.
    termios mode{};
    if (grantpt(master_) != 0 || unlockpt(master_) != 0 || tcgetattr(master_, &mode) != 0) {
        const auto error = systemError(QStringLiteral("pseudo-terminal set-up"));
        ::close(master_);
        master_ = -1;
        throw error;
    }
    cfmakeraw(&mode);
    cfsetispeed(&mode, B19200);
    cfsetospeed(&mode, B19200);
    if (tcsetattr(master_, TCSANOW, &mode) != 0) {
        const auto error = systemError(QStringLiteral("tcsetattr"));
        ::close(master_);
        master_ = -1;
        throw error;
    }
    slavePath_ = QString::fromLocal8Bit(ptsname(master_));
}

void PtyPort::makeLink()
{
    if (!QDir().mkpath(portsFolder_))
        throw std::runtime_error(QStringLiteral("cannot create %1").arg(portsFolder_).toStdString());
    const QString link = QDir(portsFolder_).filePath(QStringLiteral("COM%1").arg(com_));
    const QFileInfo existing(link);
    // With the claim held, a link to a terminal is a stale one of ours; a link to anything
    // else is the user's own (a real device given this COM number).
    if (existing.isSymLink() && existing.exists() && !linkTarget(link).startsWith(QStringLiteral("/dev/pts/")))
        throw std::runtime_error(QStringLiteral("%1 is in use (it leads to %2)").arg(link, linkTarget(link)).toStdString());
    if (existing.exists() && !existing.isSymLink())
        throw std::runtime_error(QStringLiteral("%1 exists and is not a link").arg(link).toStdString());
    // A stale link from a simulator that was killed is replaced; the rename makes it atomic.
    const QString temporary = link + QStringLiteral(".new%1").arg(getpid());
    QFile::remove(temporary);
    if (::symlink(QFile::encodeName(slavePath_).constData(), QFile::encodeName(temporary).constData()) != 0
        || ::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(link).constData()) != 0) {
        const auto error = systemError(QStringLiteral("cannot link %1").arg(link));
        QFile::remove(temporary);
        throw error;
    }
    linkPath_ = link;
}

void PtyPort::removeLink()
{
    // Only our own link: another simulator may have taken the name since.
    if (!linkPath_.isEmpty() && linkTarget(linkPath_) == slavePath_)
        QFile::remove(linkPath_);
    linkPath_.clear();
}

void PtyPort::unplug()
{
    if (state_ == State::Unplugged)
        return;
    const bool wasConnected = state_ == State::Connected;
    // The link goes first, so that nobody finds the port while its terminal closes.
    removeLink();
    ::close(master_);
    master_ = -1;
    state_ = State::Unplugged;
    out_.clear();
    blocked_ = false;
    if (wasConnected && endpoint_ != nullptr)
        endpoint_->disconnected();
}

void PtyPort::plug()
{
    if (state_ != State::Unplugged)
        return;
    openTerminal();
    try {
        makeLink();
    } catch (...) {
        ::close(master_);
        master_ = -1;
        throw;
    }
    state_ = State::NeverOpened;
    lineFreeUs_ = 0;
}

void PtyPort::send(const QByteArray& bytes)
{
    if (!connected())
        return;
    qint64 at = std::max(lineFreeUs_, clock_.nowUs());
    for (const char byte : bytes) {
        if (out_.size() >= kMaxPending)
            break;
        at += kByteUs;
        out_.push_back(Due{at, byte});
    }
    lineFreeUs_ = at;
}

short PtyPort::events() const
{
    return short(POLLIN | (blocked_ ? POLLOUT : 0));
}

void PtyPort::handle(short revents)
{
    // A command read in the same turn may have unplugged the port since the poll.
    if (state_ == State::Unplugged)
        return;
    if (revents & POLLIN)
        readAll();
    if (state_ != State::HungUp && (revents & (POLLHUP | POLLERR)))
        hangUp();
    if (revents & POLLOUT)
        blocked_ = false;
}

void PtyPort::lookForReopen()
{
    if (state_ != State::HungUp)
        return;
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, 0) < 0 || (p.revents & POLLHUP))
        return;
    becomeConnected();
    if (p.revents & POLLIN)
        readAll();
}

void PtyPort::becomeConnected()
{
    if (state_ == State::Connected)
        return;
    state_ = State::Connected;
    if (endpoint_ != nullptr)
        endpoint_->connected();
}

void PtyPort::readAll()
{
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            // Bytes from the program: someone has the port open.
            becomeConnected();
            if (endpoint_ != nullptr) {
                for (ssize_t i = 0; i < n; ++i)
                    endpoint_->receive(buffer[i]);
            }
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return;
        // EIO (or end of file): the last program holding the slave end closed it.
        hangUp();
        return;
    }
}

void PtyPort::hangUp()
{
    const bool wasConnected = state_ == State::Connected;
    state_ = State::HungUp;
    // What the program did not read is gone with the closed port, as on a real line.
    tcflush(master_, TCIOFLUSH);
    out_.clear();
    blocked_ = false;
    if (wasConnected && endpoint_ != nullptr)
        endpoint_->disconnected();
}

void PtyPort::pump()
{
    if (out_.empty() || blocked_)
        return;
    const qint64 now = clock_.nowUs();
    QByteArray chunk;
    for (auto it = out_.begin(); it != out_.end() && it->atUs <= now; ++it)
        chunk += it->byte;
    if (chunk.isEmpty())
        return;
    const ssize_t n = ::write(master_, chunk.constData(), std::size_t(chunk.size()));
    if (n > 0) {
        out_.erase(out_.begin(), out_.begin() + n);
    } else if (n < 0 && errno == EAGAIN) {
        blocked_ = true;
    } else if (n < 0 && errno != EINTR) {
        hangUp();
    }
}

qint64 PtyPort::nextDueUs() const
{
    return out_.empty() || blocked_ ? -1 : out_.front().atUs;
}

} // namespace sim
