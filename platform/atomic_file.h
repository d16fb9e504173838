// Replacing a file's whole content so that a crash or a full disk never leaves
// a truncated file: the new content is written to a temporary file in the
// same folder, flushed to the disk, then renamed over the old file.
#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Returns false, leaving the old file as it was, when any step fails
// (read-only folder, full disk). A symbolic link is followed and its target
// replaced; an existing file keeps its permission bits (and its owner where
// the process may set it).
bool replaceFileContent(const QString& path, const QByteArray& content);

} // namespace platform
