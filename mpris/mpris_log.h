// The logging category of mpris/: the session-bus service.
// Causes are logged at info level, off unless QT_LOGGING_RULES turns
// "quaverly.mpris" on; warnings the user must see are on by default.
#pragma once

#include <QLoggingCategory>

namespace mpris {
Q_DECLARE_LOGGING_CATEGORY(lcMpris)
} // namespace mpris
