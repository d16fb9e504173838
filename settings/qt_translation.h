// Qt's own texts (the standard buttons of dialogs and message boxes, the
// menus of text fields) in Japanese, like the rest of the interface, as they
// read on a Japanese desktop.
#pragma once

class QCoreApplication;

namespace settings {

// Installs Qt's Japanese translation (Debian's qt6-translations-l10n) into
// the application. False, with the cause logged, when it is not installed:
// Qt's texts then stay in English.
bool InstallQtJapanese(QCoreApplication& application);

} // namespace settings
