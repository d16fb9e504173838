// A diagnostic for long runs: with QUAVERLY_PLAY_LOG=<file> set, every
// location the engine opens is appended to that file as one line, a path
// in the bytes that name the file (platform/file_name.h).
// Unset, nothing is written.
#pragma once

#include <QString>

namespace playback {

void AppendToPlayLog(const QString& location);

} // namespace playback
