// The logging category of browser/: folders, list files, playlists and feeds that could not be
// read. Causes are logged at info level, off unless QT_LOGGING_RULES turns "quaverly.browser" on;
// warnings the user must see are on by default.
#pragma once

#include <QLoggingCategory>

namespace browser {
Q_DECLARE_LOGGING_CATEGORY(lcBrowser)
} // namespace browser
