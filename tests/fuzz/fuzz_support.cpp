#include "fuzz_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace fuzzsupport {

namespace {

QString scratchBase() {
    return QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                     : QDir::tempPath();
}

} // namespace

void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "fuzz check failed: %s\n%s\n", what, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

QString scratchPath(const QString& name) {
    static const QTemporaryDir folder(scratchBase() + QStringLiteral("/quaverly-fuzz-XXXXXX"));
    check(folder.isValid(), "scratch folder", folder.errorString().toStdString());
    return folder.filePath(name);
}

bool writeScratch(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

} // namespace fuzzsupport
