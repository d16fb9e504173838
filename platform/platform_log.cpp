#include "platform/platform_log.h"

namespace platform {
Q_LOGGING_CATEGORY(lcPlatform, "quaverly.platform", QtWarningMsg)
} // namespace platform
