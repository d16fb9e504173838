#include "browser/browser_log.h"

namespace browser {
Q_LOGGING_CATEGORY(lcBrowser, "quaverly.browser", QtWarningMsg)
} // namespace browser
