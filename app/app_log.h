// The logging category of app/: commands, start-up and shut-down.
// Causes are logged at info level, off unless QT_LOGGING_RULES turns
// "quaverly.app" on; warnings the user must see are on by default.
#pragma once

#include <QLoggingCategory>

namespace app {
Q_DECLARE_LOGGING_CATEGORY(lcApp)
} // namespace app
