#include "platform/drive_roots.h"

#include "platform/file_name.h"
#include "platform/shell_path.h"

#include <QFile>
#include <QSet>

namespace platform {

namespace {

bool isDataFileSystem(const QByteArray& type) {
    static const QSet<QByteArray> kTypes = {
        "ext2",    "ext3",     "ext4",   "xfs",        "btrfs",       "f2fs",    "jfs",
        "vfat",    "msdos",    "exfat",  "ntfs",       "ntfs3",       "fuseblk", "hfs",
        "hfsplus", "iso9660",  "udf",    "nfs",        "nfs4",        "cifs",    "smb3",
        "zfs",     "reiserfs", "nilfs2", "fuse.sshfs", "fuse.rclone", "9p"};
    return kTypes.contains(type);
}

int octalDigit(char c) {
    return c >= '0' && c <= '7' ? c - '0' : -1;
}

// The kernel writes space, tab, newline and backslash in mount paths as
// three-digit octal escapes.
QByteArray decodeOctalEscapes(const QByteArray& field) {
    QByteArray decoded;
    decoded.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && octalDigit(field[i + 1]) >= 0 &&
            octalDigit(field[i + 2]) >= 0 && octalDigit(field[i + 3]) >= 0) {
            decoded.append(static_cast<char>(octalDigit(field[i + 1]) * 64 +
                                             octalDigit(field[i + 2]) * 8 +
                                             octalDigit(field[i + 3])));
            i += 3;
            continue;
        }
        decoded.append(field[i]);
    }
    return decoded;
}

// Boot and EFI partitions hold no user data, as a Windows EFI partition has
// no drive letter.
bool isSystemPartition(const QString& mountPoint) {
    return mountPoint.startsWith(u"/boot/");
}

QString withTrailingSlash(const QString& path) {
    return path.endsWith(u'/') ? path : path + u'/';
}

void appendOnce(QStringList& roots, const QString& root) {
    if (!roots.contains(root))
        roots.append(root);
}

} // namespace

QStringList dataMountPoints(const QByteArray& mountsText) {
    QStringList points;
    for (const QByteArray& line : mountsText.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 3 || !isDataFileSystem(fields[2]))
            continue;
        const QString point = withTrailingSlash(decodeFileName(decodeOctalEscapes(fields[1])));
        if (point.startsWith(u'/') && point != u"/" && !isSystemPartition(point))
            appendOnce(points, point);
    }
    return points;
}

QStringList driveRootsFrom(const QString& homeFolder, const QByteArray& mountsText) {
    QStringList roots{QStringLiteral("/")};
    if (!homeFolder.isEmpty())
        appendOnce(roots, withTrailingSlash(homeFolder));
    for (const QString& point : dataMountPoints(mountsText)) {
        if (isFolder(point))
            appendOnce(roots, point);
    }
    return roots;
}

QStringList driveRoots() {
    QFile mounts(QStringLiteral("/proc/self/mounts"));
    QByteArray text;
    if (mounts.open(QIODevice::ReadOnly))
        text = mounts.readAll();
    return driveRootsFrom(homeFolder(), text);
}

} // namespace platform
