#include "app/cover_art.h"

#include "app/app_log.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

namespace app {

namespace {

// The names this cache gives: the SHA-1 of the contents, and the type's suffix.
bool IsCoverName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^[0-9a-f]{40}(\\.[a-z0-9]+)?$"));
    return pattern.match(name).hasMatch();
}

// Removes the pictures used longest ago until the folder holds at most
// maxTotal bytes; keep (the picture just asked for) stays.
void TrimCoverFolder(const QString& folder, qint64 maxTotal, const QString& keep) {
    QFileInfoList pictures =
        QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Time);
    pictures.removeIf([](const QFileInfo& file) { return !IsCoverName(file.fileName()); });
    qint64 total = 0;
    for (const QFileInfo& picture : pictures)
        total += picture.size();
    // Newest first: the oldest are at the end.
    while (total > maxTotal && !pictures.isEmpty()) {
        const QFileInfo oldest = pictures.takeLast();
        if (oldest.absoluteFilePath() == keep)
            continue;
        if (QFile::remove(oldest.absoluteFilePath()))
            total -= oldest.size();
    }
}

bool StorePicture(const QString& folder, const QString& path, const QByteArray& picture) {
    // Written whole or not at all: a media widget never reads half a picture.
    QSaveFile file(path);
    if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) ||
        file.write(picture) != picture.size() || !file.commit()) {
        qCInfo(lcApp) << "cannot write the cover picture" << path << file.errorString();
        return false;
    }
    return true;
}

} // namespace

QString CoverCacheFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/quaverly/covers");
}

QString CachedCoverUrl(const QByteArray& picture, const CoverCacheLimits& limits) {
    if (picture.isEmpty())
        return QString();
    if (picture.size() > limits.maxPictureBytes) {
        qCInfo(lcApp) << "the cover picture is not stored: its" << picture.size()
                      << "bytes are more than" << limits.maxPictureBytes;
        return QString();
    }
    const QString folder = CoverCacheFolder();
    const QString suffix = QMimeDatabase().mimeTypeForData(picture).preferredSuffix();
    const QString name =
        QString::fromLatin1(QCryptographicHash::hash(picture, QCryptographicHash::Sha1).toHex());
    const QString path = folder + QLatin1Char('/') + name +
                         (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
    if (QFileInfo::exists(path)) {
        QFile used(path);
        if (used.open(QIODevice::ReadWrite))
            used.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
    } else if (!StorePicture(folder, path, picture)) {
        return QString();
    }
    TrimCoverFolder(folder, limits.maxTotalBytes, QFileInfo(path).absoluteFilePath());
    return QUrl::fromLocalFile(path).toString();
}

} // namespace app
