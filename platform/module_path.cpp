#include "platform/module_path.h"

#include "platform/shell_path.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <climits>
#include <unistd.h>

namespace platform {

QString executablePath() {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || length >= static_cast<ssize_t>(sizeof buffer))
        return QString();
    return QFile::decodeName(QByteArray(buffer, length));
}

QString settingsFilePathFor(const QString& exePath) {
    const QString extension = extensionOf(exePath);
    return exePath.left(exePath.size() - extension.size()) + QStringLiteral(".ini");
}

QString userFileFolderFor(const QString& exePath, bool exeFolderWritable,
                          const QString& xdgConfigHome, const QString& home) {
    if (exeFolderWritable)
        return folderPart(exePath);
    // Only an absolute XDG_CONFIG_HOME counts; a relative or empty one is
    // ignored, as the XDG base directory rules say.
    const QString base = xdgConfigHome.startsWith(QLatin1Char('/'))
                             ? xdgConfigHome
                             : home + QStringLiteral("/.config");
    return QDir::cleanPath(base + QStringLiteral("/quaverly")) + QLatin1Char('/');
}

QString userFileFolder() {
    const QString exe = executablePath();
    const QString exeFolder = folderPart(exe);
    const bool writable = access(QFile::encodeName(exeFolder).constData(), W_OK) == 0;
    const QString folder =
        userFileFolderFor(exe, writable, qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath());
    if (!writable)
        QDir().mkpath(folder);
    return folder;
}

QString userFilePath(const QString& name) {
    return userFileFolder() + name;
}

QString settingsFilePath() {
    return userFilePath(QFileInfo(settingsFilePathFor(executablePath())).fileName());
}

} // namespace platform
