#include "app/app_log.h"

namespace app {
Q_LOGGING_CATEGORY(lcApp, "quaverly.app", QtWarningMsg)
} // namespace app
