#include "platform/shell_path.h"

#include "platform/file_name.h"

#include <QDir>
#include <QStringList>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool isSchemeCharacter(QChar c) {
    return (c.unicode() < 0x80 && c.isLetterOrNumber()) || c == u'+' || c == u'-' || c == u'.';
}

bool isAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

QString normalizeAbsolute(const QString& absolute) {
    QStringList kept;
    for (const QString& part : absolute.split(u'/', Qt::SkipEmptyParts)) {
        if (part == u".")
            continue;
        if (part == u"..") {
            if (!kept.isEmpty())
                kept.removeLast();
            continue;
        }
        kept.append(part);
    }
    QString result = u'/' + kept.join(u'/');
    const bool wantsTrailingSlash =
        absolute.endsWith(u'/') || absolute.endsWith(u"/.") || absolute.endsWith(u"/..");
    if (wantsTrailingSlash && !kept.isEmpty())
        result += u'/';
    return result;
}

} // namespace

bool isUrl(const QString& text) {
    const qsizetype colon = text.indexOf(u':');
    if (colon < 2 || !isAsciiLetter(text.front()))
        return false;
    for (qsizetype i = 1; i < colon; ++i) {
        if (!isSchemeCharacter(text.at(i)))
            return false;
    }
    return true;
}

bool isRelative(const QString& path) {
    return !path.startsWith(u'/');
}

bool exists(const QString& path) {
    struct stat info;
    return !path.isEmpty() && stat(encodeFileName(path).constData(), &info) == 0;
}

bool isFolder(const QString& path) {
    struct stat info;
    return !path.isEmpty() && stat(encodeFileName(path).constData(), &info) == 0 &&
           S_ISDIR(info.st_mode);
}

QString homeFolder() {
    const QString home = pathFromEnvironment("HOME");
    return home.isEmpty() ? QDir::homePath() : home;
}

QString namePart(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString extensionOf(const QString& path) {
    const QString name = namePart(path);
    qsizetype firstNonDot = 0;
    while (firstNonDot < name.size() && name.at(firstNonDot) == u'.')
        ++firstNonDot;
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot >= firstNonDot ? name.mid(dot) : QString();
}

QString folderPart(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QStringLiteral("/") : path.left(slash + 1);
}

QString qualifyAgainst(const QString& path, const QString& baseFolder) {
    if (!isRelative(path))
        return normalizeAbsolute(path);
    const QString relative = path.isEmpty() ? QStringLiteral(".") : path;
    return normalizeAbsolute(baseFolder + u'/' + relative);
}

QString qualify(const QString& path) {
    char* folder = getcwd(nullptr, 0);
    const QString current = folder ? decodeFileName(folder) : QStringLiteral("/");
    free(folder);
    return qualifyAgainst(path, current);
}

} // namespace platform
