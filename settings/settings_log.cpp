#include "settings/settings_log.h"

namespace settings {
Q_LOGGING_CATEGORY(lcSettings, "quaverly.settings", QtWarningMsg)
} // namespace settings
