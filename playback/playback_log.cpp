#include "playback/playback_log.h"

namespace playback {
Q_LOGGING_CATEGORY(lcPlayback, "quaverly.playback", QtWarningMsg)
} // namespace playback
