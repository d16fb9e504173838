#include "platform/atomic_file.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kNameAttempts = 16;

// The file to replace: the target of a symbolic link, otherwise path itself.
QByteArray resolveTarget(const QString& path) {
    const QFileInfo info(path);
    if (info.isSymLink() && info.exists())
        return QFile::encodeName(info.canonicalFilePath());
    return QFile::encodeName(path);
}

// Creates a new, uniquely named file beside target; the mode 0666 is
// narrowed by the umask as for any new file.
int createTemporaryBeside(const QByteArray& target, QByteArray& tempPath) {
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        tempPath = target + ".tmp-" + QByteArray::number(getpid()) + '-' +
                   QByteArray::number(static_cast<quint32>(random()), 36);
        const int fd = open(tempPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

void copyOwnershipAndMode(int fd, const QByteArray& target) {
    struct stat old;
    if (stat(target.constData(), &old) != 0)
        return;
    if (old.st_uid != geteuid() || old.st_gid != getegid())
        std::ignore = fchown(fd, old.st_uid, old.st_gid); // only root may give files away
    fchmod(fd, old.st_mode & 07777);
}

bool writeAll(int fd, const QByteArray& content) {
    const char* data = content.constData();
    size_t left = static_cast<size_t>(content.size());
    while (left > 0) {
        const ssize_t written = write(fd, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        left -= static_cast<size_t>(written);
    }
    return true;
}

// Makes the rename itself durable; a failure here no longer endangers the
// content, so it is not reported.
void syncFolderOf(const QByteArray& target) {
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : target.left(qMax<qsizetype>(slash, 1));
    const int fd = open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

} // namespace

bool replaceFileContent(const QString& path, const QByteArray& content) {
    const QByteArray target = resolveTarget(path);
    QByteArray tempPath;
    const int fd = createTemporaryBeside(target, tempPath);
    if (fd < 0)
        return false;
    copyOwnershipAndMode(fd, target);
    const bool written = writeAll(fd, content) && fsync(fd) == 0;
    const bool closed = close(fd) == 0;
    if (!written || !closed || rename(tempPath.constData(), target.constData()) != 0) {
        unlink(tempPath.constData());
        return false;
    }
    syncFolderOf(target);
    return true;
}

} // namespace platform
