#include "platform/module_path.h"

#include "platform/file_name.h"
#include "platform/shell_path.h"

#include <QDir>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Creates folder and the folders above it that are missing (mode 0777 less
// the umask, as mkdir -p does).
void makeFolders(const QString& folder) {
    const QByteArray path = encodeFileName(folder);
    for (qsizetype slash = path.indexOf('/', 1); slash >= 0; slash = path.indexOf('/', slash + 1))
        mkdir(path.left(slash).constData(), 0777);
    mkdir(path.constData(), 0777);
}

} // namespace

QString executablePath() {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || length >= static_cast<ssize_t>(sizeof buffer))
        return QString();
    return decodeFileName(QByteArrayView(buffer, length));
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
    const bool writable = access(encodeFileName(exeFolder).constData(), W_OK) == 0;
    const QString folder =
        userFileFolderFor(exe, writable, pathFromEnvironment("XDG_CONFIG_HOME"), homeFolder());
    if (!writable)
        makeFolders(folder);
    return folder;
}

QString userFilePath(const QString& name) {
    return userFileFolder() + name;
}

QString settingsFilePath() {
    return userFilePath(namePart(settingsFilePathFor(executablePath())));
}

} // namespace platform
