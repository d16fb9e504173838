// Replacing a file's whole content so that a crash or a full disk never leaves
// a truncated file: the new content is written to a temporary file in the
// same folder, flushed to the disk, then renamed over the old file.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace platform {

// Returns false, leaving the old file as it was, when any step fails
// (read-only folder, full disk) or when the file itself may not be written
// (no write permission, or no write bit at all: a file made read-only stays
// so even for root); the cause is logged. A symbolic link is followed and its
// target replaced; an existing file keeps its permission bits (and its owner
// where the process may set it).
bool replaceFileContent(const QString& path, const QByteArray& content);

// The file a write of path replaces: the target of a symbolic link (a
// dotfile kept in a repository), otherwise path itself.
QByteArray resolveWriteTarget(const QString& path);
// The folder of that file, where the lock of an update belongs.
QByteArray writeTargetFolder(const QString& path);

// Logs (at info level) why path could not be written: the step and errno's text.
void logWriteFailure(const QString& path, const char* step, int error);

// Removes the temporary files that writers killed before their rename left in
// folder ("NAME.quaverly-tmp-PID-ID" for NAME one of ownNames, regular files
// of this user), when their process no longer runs. Those of running
// processes, and every file of another name, are left alone.
void removeAbandonedTemporaries(const QString& folder, const QStringList& ownNames);

} // namespace platform
