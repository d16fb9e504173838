// A diagnostic for long runs: with QUAVERLY_PLAY_LOG=<file> set, every
// location the engine opens is appended to that file as one line (UTF-8).
// Unset, nothing is written.
#pragma once

#include <QString>

namespace playback {

void AppendToPlayLog(const QString& location);

} // namespace playback
