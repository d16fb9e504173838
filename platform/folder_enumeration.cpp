#include "platform/folder_enumeration.h"

#include "platform/file_name.h"
#include "platform/name_order.h"
#include "platform/platform_log.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace platform {

namespace {

class DirectoryStream {
public:
    explicit DirectoryStream(const QByteArray& path) : dir_(opendir(path.constData())) {}
    ~DirectoryStream() {
        if (dir_)
            closedir(dir_);
    }
    DirectoryStream(const DirectoryStream&) = delete;
    DirectoryStream& operator=(const DirectoryStream&) = delete;

    bool isOpen() const { return dir_ != nullptr; }
    int fd() const { return dirfd(dir_); }
    const dirent* next() { return readdir(dir_); }

private:
    DIR* dir_;
};

bool isDotsName(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// Fills the type flags from d_type where it is conclusive; links and file
// systems that report no type need a stat that follows the link.
void classify(const DirectoryStream& stream, const dirent& raw, FolderEntry& entry) {
    if (raw.d_type == DT_DIR || raw.d_type == DT_REG) {
        entry.isDirectory = raw.d_type == DT_DIR;
        return;
    }
    if (raw.d_type != DT_LNK && raw.d_type != DT_UNKNOWN) {
        entry.isSystem = true;
        return;
    }
    struct stat info;
    if (fstatat(stream.fd(), raw.d_name, &info, 0) != 0) {
        entry.isSystem = true;
        return;
    }
    entry.isDirectory = S_ISDIR(info.st_mode);
    entry.isSystem = !entry.isDirectory && !S_ISREG(info.st_mode);
}

// Room for about as many entries as the folder holds, so that the list is
// not copied as it grows: the usual file systems give a folder at least 16
// bytes per entry (ext4 8 + the name, tmpfs 20), and room that is never used
// costs no memory.
size_t expectedEntries(const DirectoryStream& stream) {
    constexpr size_t kBytesPerEntry = 16;
    constexpr size_t kMostExpected = size_t{1} << 20;
    struct stat info;
    if (fstat(stream.fd(), &info) != 0 || info.st_size <= 0)
        return 0;
    return std::min(static_cast<size_t>(info.st_size) / kBytesPerEntry, kMostExpected);
}

} // namespace

FolderListing enumerateFolder(const QString& folderPath) {
    FolderListing listing;
    const QByteArray path = encodeFileName(folderPath);
    if (path.isEmpty() || path.size() >= PATH_MAX) {
        qCInfo(lcPlatform) << "folder not read, its path is empty or too long:" << folderPath;
        return listing;
    }
    DirectoryStream stream(path);
    if (!stream.isOpen()) {
        const int error = errno;
        qCInfo(lcPlatform) << "folder not read:" << folderPath << std::strerror(error);
        return listing;
    }
    listing.opened = true;
    listing.entries.reserve(expectedEntries(stream));
    while (const dirent* raw = stream.next()) {
        FolderEntry entry;
        entry.name = decodeFileName(QByteArrayView(raw->d_name));
        entry.readableName = readableFileName(entry.name);
        entry.isDots = isDotsName(raw->d_name);
        classify(stream, *raw, entry);
        listing.entries.push_back(std::move(entry));
    }
    sortByName(listing.entries);
    return listing;
}

void sortByName(std::vector<FolderEntry>& entries) {
    const NameSortKeys keys(entries.size(),
                            [&](size_t i) -> const QString& { return entries[i].readableName; });
    const std::vector<size_t> order =
        keys.order([&](size_t a, size_t b) { return entries[a].name < entries[b].name; });
    // Puts each entry in its place by following the cycles of the order.
    for (size_t place = 0; place < order.size(); ++place) {
        size_t from = order[place];
        while (from < place)
            from = order[from];
        std::swap(entries[place], entries[from]);
    }
}

} // namespace platform
