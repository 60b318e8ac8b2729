#include "data/DirLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <cerrno>
#include <cstring>
#include <string>

#include "data/ProgramExit.h"
#include "engine/Files.h"

namespace kvl {

namespace {

constexpr const char* kLockName = "kvl.lock";

QString Shown(const QString& dir) {
    return QDir::toNativeSeparators(QDir(dir).absolutePath());
}

QString HolderOf(int fd) {
    char text[32] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    if (n <= 0) return QString();
    const QString pid = QString::fromLatin1(text, static_cast<int>(n)).trimmed();
    bool ok = false;
    pid.toLong(&ok);
    return ok ? pid : QString();
}

}  // namespace

DirLock::~DirLock() {
    release();
}

bool DirLock::acquire(const QString& dir) {
    release();
    error_.clear();
    const std::string path = xb::ResolvePath(QFile::encodeName(dir).toStdString(), kLockName);
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    // A directory the user may only read can still be locked through an existing lock file.
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM))
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error_ = QStringLiteral("Cannot lock the data directory %1: %2")
                     .arg(Shown(dir), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int err = errno;
        if (err == EWOULDBLOCK) {
            const QString holder = HolderOf(fd);
            error_ =
                QStringLiteral("The data directory %1 is in use by another copy of the program")
                    .arg(Shown(dir));
            if (!holder.isEmpty()) error_ += QStringLiteral(" (process %1)").arg(holder);
            error_ += QLatin1Char('.');
        } else {
            error_ = QStringLiteral("Cannot lock the data directory %1: %2")
                         .arg(Shown(dir), QString::fromLocal8Bit(std::strerror(err)));
        }
        ::close(fd);
        return false;
    }
    // The holder's process id helps whoever is refused; failing to write it changes nothing.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0) (void)!::pwrite(fd, pid.data(), pid.size(), 0);
    fd_ = fd;
    return true;
}

void DirLock::release() {
    if (fd_ < 0) return;
    ::close(fd_);  // closing the only descriptor releases the flock
    fd_ = -1;
}

namespace {
DirLock& ProcessLock() {
    static DirLock lock;
    return lock;
}
}  // namespace

bool LockDataDirectory(const QString& dir, QString* message) {
    DirLock& lock = ProcessLock();
    if (!lock.acquire(dir)) {
        if (message) *message = lock.error();
        return false;
    }
    AtProgramEnd([] { ProcessLock().release(); });
    return true;
}

void UnlockDataDirectory() {
    ProcessLock().release();
}

}  // namespace kvl
