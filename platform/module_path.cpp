#include "platform/module_path.h"

#include "platform/shell_path.h"

#include <QFile>
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

QString settingsFilePath() {
    return settingsFilePathFor(executablePath());
}

QString besideExecutableFor(const QString& exePath, const QString& name) {
    return folderPart(exePath) + name;
}

QString besideExecutable(const QString& name) {
    return besideExecutableFor(executablePath(), name);
}

} // namespace platform
