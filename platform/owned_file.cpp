#include "platform/owned_file.h"

#include "platform/atomic_file.h"
#include "platform/file_name.h"
#include "platform/platform_log.h"
#include "platform/shell_path.h"

#include <QHash>
#include <QSet>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <mutex>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace platform {

namespace {

using namespace std::chrono_literals;

// FAT stamps in steps of two seconds; three leave room for rounding and for
// a file server whose clock is a little ahead.
constexpr std::chrono::nanoseconds kCoarseStampWindow = 3s;
// Files whose last reading is remembered; more are forgotten all at once.
constexpr qsizetype kRememberedFiles = 64;

struct Seen {
    bool present = false;
    FileIdentity identity;
};

// The one record of this process about the owned files: which were refused
// for the run, and what each was when this process last read or wrote it.
class OwnedFileRecord {
public:
    bool refused(const QString& path) {
        const std::lock_guard lock(mutex_);
        return refused_.contains(path);
    }
    void refuse(const QString& path, const QString& reason) {
        const std::lock_guard lock(mutex_);
        if (refused_.contains(path))
            return;
        refused_.insert(path);
        qCWarning(lcPlatform).noquote()
            << QStringLiteral("%1 cannot be read (%2): it is left as it is and not written in "
                              "this run")
                   .arg(readableFileName(path), reason);
    }
    void noteSeen(const QString& path, const Seen& seen) {
        const std::lock_guard lock(mutex_);
        if (lastSeen_.size() >= kRememberedFiles && !lastSeen_.contains(path))
            lastSeen_.clear();
        lastSeen_.insert(path, seen);
    }
    std::optional<Seen> lastSeen(const QString& path) {
        const std::lock_guard lock(mutex_);
        const auto found = lastSeen_.constFind(path);
        return found == lastSeen_.cend() ? std::nullopt : std::optional<Seen>(*found);
    }

private:
    std::mutex mutex_;
    QSet<QString> refused_;
    QHash<QString, Seen> lastSeen_;
};

OwnedFileRecord& record() {
    static OwnedFileRecord instance;
    return instance;
}

QString errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

const QString& notRegular() {
    static const QString text = QStringLiteral("not a regular file");
    return text;
}

bool isAbsent(int error) {
    return error == ENOENT || error == ENOTDIR;
}

bool sameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

FileIdentity identityOf(const struct stat& status) {
    return {status.st_dev, status.st_ino, status.st_size, status.st_mtim, status.st_ctim};
}

// The rounding of change stamps on the file system that holds fd.
std::chrono::nanoseconds stampWindowOf(int fd) {
    struct statfs fileSystem;
    if (fstatfs(fd, &fileSystem) != 0)
        return kCoarseStampWindow;
    switch (fileSystem.f_type) {
    case EXT4_SUPER_MAGIC: // also ext2 and ext3
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case F2FS_SUPER_MAGIC:
    case OVERLAYFS_SUPER_MAGIC:
        return 0ns;
    default:
        return kCoarseStampWindow;
    }
}

// Reads fd from its start to its end; false with errno set on an error.
bool readWhole(int fd, QByteArray& content) {
    content.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        content.append(buffer, got);
    }
}

int lockExclusive(int fd) {
    int result;
    do
        result = flock(fd, LOCK_EX);
    while (result != 0 && errno == EINTR);
    return result;
}

// The file's content and identity; a file that exists but cannot be read is
// refused.
FileSnapshot takeSnapshot(const QString& path) {
    FileSnapshot snapshot;
    if (record().refused(path)) {
        snapshot.state = FileState::Refused;
        return snapshot;
    }
    // O_NONBLOCK: a FIFO in the file's place must not hold the reader.
    const int fd = open(encodeFileName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    const int openError = errno;
    if (fd < 0 && isAbsent(openError))
        return snapshot;
    // Taken before the status, so that a change made while reading shows.
    timespec readStart{};
    clock_gettime(CLOCK_REALTIME_COARSE, &readStart);
    struct stat status;
    QString failure;
    if (fd < 0)
        failure = errorText(openError);
    else if (fstat(fd, &status) != 0)
        failure = errorText(errno);
    else if (!S_ISREG(status.st_mode))
        failure = notRegular();
    else if (!readWhole(fd, snapshot.content))
        failure = errorText(errno);
    const std::chrono::nanoseconds window = fd < 0 ? kCoarseStampWindow : stampWindowOf(fd);
    if (fd >= 0)
        close(fd);
    if (!failure.isEmpty()) {
        record().refuse(path, failure);
        return FileSnapshot{FileState::Refused, {}, {}, false};
    }
    snapshot.state = FileState::Present;
    snapshot.identity = identityOf(status);
    snapshot.settled = identitySettled(status.st_ctim, readStart, window);
    return snapshot;
}

} // namespace

bool operator==(const FileIdentity& a, const FileIdentity& b) {
    return a.device == b.device && a.inode == b.inode && a.size == b.size &&
           sameTime(a.modified, b.modified) && sameTime(a.changed, b.changed);
}

bool identitySettled(const timespec& changed, const timespec& readStart,
                     std::chrono::nanoseconds window) {
    const auto nanoseconds = [](const timespec& t) {
        return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
    };
    return nanoseconds(changed) + window < nanoseconds(readStart);
}

FileState identifyOwnedFile(const QString& path, FileIdentity& identity) {
    if (record().refused(path))
        return FileState::Refused;
    struct stat status;
    if (stat(encodeFileName(path).constData(), &status) != 0) {
        if (isAbsent(errno))
            return FileState::Missing;
        record().refuse(path, errorText(errno));
        return FileState::Refused;
    }
    if (!S_ISREG(status.st_mode)) {
        record().refuse(path, notRegular());
        return FileState::Refused;
    }
    identity = identityOf(status);
    return FileState::Present;
}

FileSnapshot readOwnedFile(const QString& path) {
    FileSnapshot snapshot = takeSnapshot(path);
    if (snapshot.state != FileState::Refused)
        record().noteSeen(path, Seen{snapshot.state == FileState::Present, snapshot.identity});
    return snapshot;
}

OwnedFileUpdate::OwnedFileUpdate(const QString& path) : path_(path) {
    if (record().refused(path_)) {
        qCInfo(lcPlatform).noquote()
            << QStringLiteral("%1 is not written: it could not be read in this run")
                   .arg(readableFileName(path_));
        return;
    }
    // Beside the file that is replaced: two instances reaching one file
    // through different links, or one through a link and one directly, then
    // take the same lock.
    const QByteArray folder = writeTargetFolder(qualify(path_));
    folderFd_ = open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd_ < 0 || lockExclusive(folderFd_) != 0)
        qCInfo(lcPlatform).noquote() << QStringLiteral("%1 is written without a lock: %2")
                                            .arg(readableFileName(path_), errorText(errno));
    file_ = takeSnapshot(path_);
    ready_ = file_.state != FileState::Refused;
}

OwnedFileUpdate::~OwnedFileUpdate() {
    if (folderFd_ >= 0)
        close(folderFd_); // releases the lock
}

bool OwnedFileUpdate::changedSinceLastRead() const {
    const std::optional<Seen> seen = record().lastSeen(path_);
    if (!seen)
        return false;
    const bool present = file_.state == FileState::Present;
    return seen->present != present || (present && !(seen->identity == file_.identity));
}

bool OwnedFileUpdate::replace(const QByteArray& content) {
    if (!ready_ || !replaceFileContent(path_, content))
        return false;
    struct stat status;
    if (stat(encodeFileName(path_).constData(), &status) == 0)
        record().noteSeen(path_, Seen{true, identityOf(status)});
    return true;
}

} // namespace platform
