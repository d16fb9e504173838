#include "platform/atomic_file.h"

#include "platform/file_name.h"
#include "platform/platform_log.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kNameAttempts = 16;
// Marks the program's own temporaries: "quaverly.ini.quaverly-tmp-PID-ID".
const QByteArray kTemporaryMark(".quaverly-tmp-");

// Creates a new, uniquely named file beside target; the mode 0666 is
// narrowed by the umask as for any new file.
int createTemporaryBeside(const QByteArray& target, QByteArray& tempPath) {
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        tempPath = target + kTemporaryMark + QByteArray::number(getpid()) + '-' +
                   QByteArray::number(static_cast<quint32>(random()), 36);
        const int fd = open(tempPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// errno's reason why the existing target may not be written; 0 when it may,
// or when it does not exist. Renaming over a file needs only the folder's
// permission, so the file's own is checked here.
int targetWriteError(const QByteArray& target) {
    struct stat status;
    if (stat(target.constData(), &status) != 0)
        return 0;
    if ((status.st_mode & 0222) == 0)
        return EACCES;
    return faccessat(AT_FDCWD, target.constData(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
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

QByteArray folderOf(const QByteArray& file) {
    const qsizetype slash = file.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : file.left(qMax<qsizetype>(slash, 1));
}

// Makes the rename itself durable; a failure here no longer endangers the
// content, so it is not reported.
void syncFolderOf(const QByteArray& target) {
    const int fd = open(folderOf(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// Why writing target failed: the step and errno, saved before cleaning up.
struct Failure {
    const char* step;
    int error;
};

Failure writeReplacement(const QByteArray& target, const QByteArray& content) {
    if (const int error = targetWriteError(target))
        return {"the file may not be written", error};
    QByteArray tempPath;
    const int fd = createTemporaryBeside(target, tempPath);
    if (fd < 0)
        return {"cannot create a temporary file beside it", errno};
    copyOwnershipAndMode(fd, target);
    Failure failure{nullptr, 0};
    if (!writeAll(fd, content) || fsync(fd) != 0)
        failure = {"cannot write the temporary file", errno};
    if (close(fd) != 0 && !failure.step)
        failure = {"cannot write the temporary file", errno};
    if (!failure.step && rename(tempPath.constData(), target.constData()) != 0)
        failure = {"cannot rename the temporary file over it", errno};
    if (failure.step)
        unlink(tempPath.constData());
    return failure;
}

bool isBase36Digit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z');
}

// The process id in the name of a temporary file of one of ownNames
// ("NAME.quaverly-tmp-PID-ID"), or 0.
pid_t writerOfTemporary(const QByteArray& name, const QList<QByteArray>& ownNames) {
    const qsizetype mark = name.lastIndexOf(kTemporaryMark);
    if (mark <= 0 || !ownNames.contains(name.left(mark)))
        return 0;
    const QList<QByteArray> parts = name.mid(mark + kTemporaryMark.size()).split('-');
    if (parts.size() != 2 || parts[0].isEmpty() || parts[0].size() > 9 || parts[1].isEmpty() ||
        parts[1].size() > 7 || !std::all_of(parts[1].begin(), parts[1].end(), isBase36Digit) ||
        !std::all_of(parts[0].begin(), parts[0].end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    return static_cast<pid_t>(parts[0].toInt());
}

bool processRuns(pid_t pid) {
    return kill(pid, 0) == 0 || errno != ESRCH;
}

} // namespace

void logWriteFailure(const QString& path, const char* step, int error) {
    qCInfo(lcPlatform).noquote() << QStringLiteral("%1 could not be written (%2): %3")
                                        .arg(readableFileName(path), QString::fromUtf8(step),
                                             QString::fromLocal8Bit(std::strerror(error)));
}

QByteArray resolveWriteTarget(const QString& path) {
    const QByteArray bytes = encodeFileName(path);
    struct stat status;
    if (lstat(bytes.constData(), &status) != 0 || !S_ISLNK(status.st_mode))
        return bytes;
    char* resolved = realpath(bytes.constData(), nullptr);
    if (!resolved) // a broken link: written as a new file in its place
        return bytes;
    const QByteArray target(resolved);
    std::free(resolved);
    return target;
}

QByteArray writeTargetFolder(const QString& path) {
    return folderOf(resolveWriteTarget(path));
}

bool replaceFileContent(const QString& path, const QByteArray& content) {
    const QByteArray target = resolveWriteTarget(path);
    const Failure failure = writeReplacement(target, content);
    if (failure.step) {
        logWriteFailure(path, failure.step, failure.error);
        return false;
    }
    syncFolderOf(target);
    return true;
}

void removeAbandonedTemporaries(const QString& folder, const QStringList& ownNames) {
    const QByteArray folderBytes = encodeFileName(folder);
    QList<QByteArray> ownBytes;
    for (const QString& own : ownNames)
        ownBytes.append(encodeFileName(own));
    DIR* entries = opendir(folderBytes.constData());
    if (!entries)
        return;
    while (const dirent* entry = readdir(entries)) {
        const QByteArray name(entry->d_name);
        const pid_t writer = writerOfTemporary(name, ownBytes);
        if (writer == 0 || processRuns(writer))
            continue;
        const QByteArray path = folderBytes + '/' + name;
        struct stat status;
        if (lstat(path.constData(), &status) != 0 || !S_ISREG(status.st_mode) ||
            status.st_uid != geteuid())
            continue;
        if (unlink(path.constData()) == 0)
            qCInfo(lcPlatform).noquote()
                << QStringLiteral("removed %1, left by a writer that no longer runs")
                       .arg(readableFileName(decodeFileName(path)));
    }
    closedir(entries);
}

} // namespace platform
