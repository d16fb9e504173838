#include "settings/config.h"

namespace settings {

QSize startupScreenSize() {
    static const QSize size = [] {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->geometry().size() : QSize(1024, 768);
    }();
    return size;
}

} // namespace settings
