// Reads the entries of one folder in the order the file system returns them,
// without sorting, with the attributes the browser needs to classify them.
#pragma once

#include <QString>
#include <vector>

namespace platform {

struct FolderEntry {
    QString name;
    bool isDirectory = false; // a folder, or a symbolic link to one
    // Neither a regular file nor a folder once links are followed: sockets,
    // FIFOs, devices and broken links.
    bool isSystem = false;
    bool isDots = false; // "." or ".."
};

struct FolderListing {
    bool opened = false; // false: the folder could not be read at all
    std::vector<FolderEntry> entries;
};

// Lists folderPath ("/music/" or "/music"). A path of PATH_MAX bytes or more
// counts as a folder that cannot be opened, like a missing or unreadable one.
FolderListing enumerateFolder(const QString& folderPath);

} // namespace platform
