// Writes the program icon, as the window and the tray draw it, to PNG files
// for the icon theme: render_icons OUTPUT_FOLDER SIZE... writes
// OUTPUT_FOLDER/SIZExSIZE/quaverly.png for each size.
#include "res/icons.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: render_icons OUTPUT_FOLDER SIZE...\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString output = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        const QString folder = QStringLiteral("%1/%2x%2").arg(output).arg(size);
        if (size <= 0 || !QDir().mkpath(folder) ||
            !res::programPixmap(size).save(folder + QStringLiteral("/quaverly.png"))) {
            std::fprintf(stderr, "render_icons: cannot write the %s px icon\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
