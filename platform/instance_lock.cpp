#include "platform/instance_lock.h"

#include "platform/file_name.h"
#include "platform/shell_path.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// A lock file this user alone can open: a file another user made (in a
// shared folder) or may open could be locked by them for good, so it counts
// as no file at all.
int openLockFile(const QString& path) {
    const int fd =
        open(encodeFileName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    struct stat status;
    if (fd >= 0 && (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
                    status.st_uid != geteuid() || (status.st_mode & 0077) != 0)) {
        close(fd);
        return -1;
    }
    return fd;
}

// A folder of this user alone: not a link, owned by the user, closed to others.
bool isPrivateFolder(const QByteArray& path) {
    struct stat status;
    return lstat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == geteuid() && (status.st_mode & 0077) == 0;
}

int flockRetrying(int fd, int operation) {
    int result;
    do {
        result = flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

// Held exclusively for the moment of the test-and-join below, so that the
// exclusive probe and the switch to a shared lock are one step for other
// processes (flock does not convert a lock atomically).
class GuardLock {
public:
    explicit GuardLock(const QString& path) : fd_(openLockFile(path)) {
        if (fd_ >= 0)
            flockRetrying(fd_, LOCK_EX);
    }
    ~GuardLock() {
        if (fd_ >= 0)
            close(fd_);
    }
    GuardLock(const GuardLock&) = delete;
    GuardLock& operator=(const GuardLock&) = delete;

private:
    int fd_;
};

} // namespace

InstanceLock::InstanceLock(const QString& programName, const QString& folder) {
    const QString base = folder.isEmpty() ? defaultFolder() : folder;
    if (base.isEmpty())
        return;
    filePath_ = base + u'/' + programName.toLower() + u'-' + QString::number(getuid()) +
                QStringLiteral(".lock");
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0)
        close(fd_);
}

InstanceLock::Outcome InstanceLock::acquire() {
    if (fd_ >= 0 || filePath_.isEmpty())
        return outcome_;
    GuardLock guard(filePath_ + QStringLiteral(".guard"));
    fd_ = openLockFile(filePath_);
    if (fd_ < 0)
        return Outcome::Acquired;
    const bool alone = flockRetrying(fd_, LOCK_EX | LOCK_NB) == 0;
    flockRetrying(fd_, LOCK_SH | LOCK_NB);
    outcome_ = alone ? Outcome::Acquired : Outcome::HeldElsewhere;
    return outcome_;
}

QString InstanceLock::defaultFolder() {
    const QString runtime = pathFromEnvironment("XDG_RUNTIME_DIR");
    if (isFolder(runtime))
        return runtime;
    return privateFolderIn(QStringLiteral("/tmp"));
}

QString InstanceLock::privateFolderIn(const QString& shared) {
    const QString folder = shared + QStringLiteral("/quaverly-") + QString::number(geteuid());
    const QByteArray bytes = encodeFileName(folder);
    if (mkdir(bytes.constData(), 0700) != 0 && errno != EEXIST)
        return QString();
    return isPrivateFolder(bytes) ? folder : QString();
}

} // namespace platform
