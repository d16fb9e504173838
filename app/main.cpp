// Quaverly's process entry point.
#include "app/application.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace {

// Without a display the player still runs: offscreen, saying so.
void ChooseDisplayPlatform() {
    if (getenv("QT_QPA_PLATFORM") || getenv("DISPLAY") || getenv("WAYLAND_DISPLAY"))
        return;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::fprintf(stderr, "quaverly: no display found; running offscreen\n");
}

} // namespace

int main(int argc, char** argv) {
    ChooseDisplayPlatform();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quaverly"));
    QApplication::setDesktopFileName(QStringLiteral("quaverly"));
    return app::EntryPoint(app::CommandLineText(QApplication::arguments()));
}
