// Quaverly's process entry point.
#include "app/application.h"
#include "platform/file_name.h"
#include "settings/qt_translation.h"

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

// The arguments with every byte kept: QApplication::arguments() would turn
// the bytes of a file name that is not UTF-8 into U+FFFD.
QStringList ArgumentsOf(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(platform::decodeFileName(argv[i]));
    return arguments;
}

} // namespace

int main(int argc, char** argv) {
    ChooseDisplayPlatform();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quaverly"));
    QApplication::setDesktopFileName(QStringLiteral("quaverly"));
    settings::InstallQtJapanese(application);
    return app::EntryPoint(app::CommandLineText(ArgumentsOf(argc, argv)));
}
