// Where the running program lives, and the files that sit beside it: the
// settings file shares the executable's base name ("quaverly" ->
// "quaverly.ini"); the station and podcast lists are in the same folder.
// When that folder cannot be written, all three live in the user's
// configuration folder instead.
#pragma once

#include <QString>

namespace platform {

// Absolute path of the running executable (/proc/self/exe).
QString executablePath();

// The settings file of an executable: its extension replaced by ".ini", or
// ".ini" appended when the name has none.
QString settingsFilePathFor(const QString& exePath);
// The running program's settings file, in userFileFolder().
QString settingsFilePath();

// The folder that holds the settings file and the two list files, ending
// with '/': the executable's own folder when it can be written (a copy
// unpacked anywhere keeps everything beside itself), otherwise the user's
// configuration folder, $XDG_CONFIG_HOME/quaverly/ or ~/.config/quaverly/
// (an installed copy in a system folder).
QString userFileFolderFor(const QString& exePath, bool exeFolderWritable,
                          const QString& xdgConfigHome, const QString& home);
// The same for the running program; the configuration folder is created
// when it is the one chosen.
QString userFileFolder();
// A file named `name` in that folder.
QString userFilePath(const QString& name);

} // namespace platform
