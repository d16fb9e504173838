// Quaverly's process entry point.
#include "app/application.h"
#include "platform/background_work.h"
#include "platform/file_name.h"
#include "settings/qt_translation.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace {

// How long the end waits for background work that cannot be interrupted
// (a folder read on a hung network file system) before it exits anyway.
constexpr int kBackgroundGraceMs = 2000;

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
    const int exitCode = app::EntryPoint(app::CommandLineText(ArgumentsOf(argc, argv)));
    // The window's loads were cancelled with it; what still runs ends at its
    // next check (100 ms) and must not outlive the application object.
    platform::finishBackgroundWork(kBackgroundGraceMs);
    return exitCode;
}
