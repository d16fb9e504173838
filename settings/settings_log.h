// The logging category of settings/: settings files that could not be read or written.
// Causes are logged at info level, off unless QT_LOGGING_RULES turns
// "quaverly.settings" on; warnings the user must see are on by default.
#pragma once

#include <QLoggingCategory>

namespace settings {
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
} // namespace settings
