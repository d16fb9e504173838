#include "mpris/mpris_log.h"

namespace mpris {
Q_LOGGING_CATEGORY(lcMpris, "quaverly.mpris", QtWarningMsg)
} // namespace mpris
