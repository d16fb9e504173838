// The logging category of platform/: files, downloads and the instance hand-over.
// Causes are logged at info level, off unless QT_LOGGING_RULES turns
// "quaverly.platform" on; warnings the user must see are on by default.
#pragma once

#include <QLoggingCategory>

namespace platform {
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
} // namespace platform
