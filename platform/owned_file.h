// The files the user owns: the settings file and the station and feed lists.
//
// Rules:
// - A missing file is no failure: readers find nothing, the first update
//   creates it.
// - A file that exists but cannot be read (no read permission, another
//   user's file, an I/O error, not a regular file) is refused for the rest of
//   the run: readers find nothing, as with a missing file, updates fail and
//   leave it as it is, and one warning on stderr says which file and why.
//   Which files were refused, and what each file was when it was last read,
//   is kept in one record of this process (owned_file.cpp).
// - An update holds an exclusive lock from its read to the rename of the new
//   content, so two processes that update one file take turns and neither
//   loses the other's change. The lock is a flock on the folder that holds
//   the file (for a symbolic link, its target, which is what a write
//   replaces): the file itself is replaced by every write, and a lock file
//   would be one more file in the user's folder. Readers take no lock: a
//   rename replaces the whole file at once.
#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <sys/types.h>
#include <time.h>

namespace platform {

// What tells one content of a file from another: a change by any writer
// gives a new inode (a rename) or a new status-change time (a write in
// place, even when it restores the modification time and the size).
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};
};
bool operator==(const FileIdentity& a, const FileIdentity& b);

enum class FileState { Present, Missing, Refused };

struct FileSnapshot {
    FileState state = FileState::Missing;
    FileIdentity identity; // when Present
    QByteArray content;    // when Present
    // When true, every later change of the file changes its identity, so a
    // copy of the content stays right while the identity stays the same.
    bool settled = false;
};

// The file's identity now, without reading it.
FileState identifyOwnedFile(const QString& path, FileIdentity& identity);
// The file's content and the identity it was read with.
FileSnapshot readOwnedFile(const QString& path);

// Whether a file last changed at `changed`, read from `readStart` on, gives
// every later change a new identity: file systems stamp changes from the
// same coarse clock as readStart, each stamp rounded down by at most
// `window` (0 for the local Linux file systems, seconds for FAT or a file
// server with its own clock). A file changed within that time of the read
// may change again with the same stamp, so it must be read again.
bool identitySettled(const timespec& changed, const timespec& readStart,
                     std::chrono::nanoseconds window);

// One read-modify-write of an owned file, holding the lock for its lifetime.
class OwnedFileUpdate {
public:
    explicit OwnedFileUpdate(const QString& path);
    ~OwnedFileUpdate();
    OwnedFileUpdate(const OwnedFileUpdate&) = delete;
    OwnedFileUpdate& operator=(const OwnedFileUpdate&) = delete;

    // False when the file is refused; nothing may be written then.
    bool ready() const { return ready_; }
    // The content under the lock; empty for a missing file.
    const QByteArray& content() const { return file_.content; }
    bool existed() const { return file_.state == FileState::Present; }
    // True when the file is not what this process last read of it (another
    // process or an editor wrote it since).
    bool changedSinceLastRead() const;
    // Replaces the file's content atomically; false (logged) on failure,
    // the file then stays as it was.
    bool replace(const QByteArray& content);

private:
    QString path_;
    int folderFd_ = -1;
    FileSnapshot file_;
    bool ready_ = false;
};

} // namespace platform
