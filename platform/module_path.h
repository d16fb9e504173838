// Where the running program lives, and the files that sit beside it: the
// settings file shares the executable's base name ("quaverly" ->
// "quaverly.ini"); the station and podcast lists are in the same folder.
#pragma once

#include <QString>

namespace platform {

// Absolute path of the running executable (/proc/self/exe).
QString executablePath();

// The settings file of an executable: its extension replaced by ".ini", or
// ".ini" appended when the name has none.
QString settingsFilePathFor(const QString& exePath);
QString settingsFilePath();

// A file named `name` in the executable's folder.
QString besideExecutableFor(const QString& exePath, const QString& name);
QString besideExecutable(const QString& name);

} // namespace platform
