// Reads the entries of one folder, in name order, with the attributes the
// browser needs to classify them.
#pragma once

#include <QString>
#include <vector>

namespace platform {

struct FolderEntry {
    QString name;             // every byte of the name kept (file_name.h): opens the file
    QString readableName;     // the name as people read it (readableFileName): shown
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

// Lists folderPath ("/music/" or "/music") in name order (sortByName). A
// path of PATH_MAX bytes or more counts as a folder that cannot be opened,
// like a missing or unreadable one; the cause is logged.
FolderListing enumerateFolder(const QString& folderPath);

// Name order (name_order.h) of the readable names; names equal in it
// ("Song.mp3", "song.mp3") keep a fixed order by their code units.
void sortByName(std::vector<FolderEntry>& entries);

} // namespace platform
