// The roots the browser offers in its drive list: "/", the user's home folder,
// then the mount points of data file systems (disks, removable media, network
// shares). Pseudo file systems (proc, sysfs, tmpfs, cgroup, overlay ...) are
// left out. Every root ends with '/'.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace platform {

// Mount points of data file systems listed in a /proc/self/mounts text, in
// its order, each ending with '/'. "/" itself, /boot and the partitions
// below it, and repeated mount points are left out; octal escapes such as
// "\040" (space) are decoded.
QStringList dataMountPoints(const QByteArray& mountsText);

// "/" first, then homeFolder, then the data mount points that are folders,
// each once. homeFolder is skipped when empty.
QStringList driveRootsFrom(const QString& homeFolder, const QByteArray& mountsText);

// driveRootsFrom for the running user and /proc/self/mounts.
QStringList driveRoots();

} // namespace platform
