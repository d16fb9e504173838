// Path helpers in the role of the Windows shell path functions. '/' is the
// folder separator; paths are QStrings that keep every byte of their names
// (file_name.h).
#pragma once

#include <QString>

namespace platform {

// True for a scheme of two or more letters, digits, '+', '-' or '.' that
// starts with a letter, followed by ':' ("http://x", "ab:"), so that a
// path can never be mistaken for a URL.
bool isUrl(const QString& text);

// True unless the text starts with '/'.
bool isRelative(const QString& path);

// True when a file or folder exists at path (symbolic links followed).
bool exists(const QString& path);
// True when a folder exists at path (symbolic links followed).
bool isFolder(const QString& path);

// The user's home folder: $HOME, or the account's own when it is not set.
QString homeFolder();

// The name part: the text after the last '/' ("" for "dir/").
QString namePart(const QString& path);

// The extension of the name part: the text from its last dot, dot included
// ("a.tar.gz" -> ".gz", "a." -> "."), or "" when it has none. Leading dots
// belong to the name, as usual for Linux dot-files: ".bashrc" and ".." have no
// extension, ".song.mp3" has ".mp3".
QString extensionOf(const QString& path);

// The text before the last '/', followed by '/' ("/a/b.mp3" -> "/a/",
// "/a/b/" -> "/a/b/"). A path without any '/' gives "/".
QString folderPart(const QString& path);

// The absolute form of path: a relative path is taken against the current
// folder, then "." and ".." and repeated '/' are resolved lexically (".."
// stops at "/"). Nothing needs to exist and symbolic links are not resolved.
// A trailing '/' is kept, and a path ending in "." or ".." (or an empty one,
// meaning the current folder) gets one, as folder paths end with '/'.
QString qualify(const QString& path);

// qualify with an explicit base folder instead of the current one.
QString qualifyAgainst(const QString& path, const QString& baseFolder);

} // namespace platform
