// The logging category of playback/: streams that could not be opened or played.
// Causes are logged at info level, off unless QT_LOGGING_RULES turns
// "quaverly.playback" on; warnings the user must see are on by default.
#pragma once

#include <QLoggingCategory>

namespace playback {
Q_DECLARE_LOGGING_CATEGORY(lcPlayback)
} // namespace playback
