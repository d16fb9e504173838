#include "app/cover_art.h"

#include "app/app_log.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

namespace app {

QString CoverCacheFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/quaverly/covers");
}

QString CachedCoverUrl(const QByteArray& picture) {
    if (picture.isEmpty())
        return QString();
    const QString folder = CoverCacheFolder();
    const QString suffix = QMimeDatabase().mimeTypeForData(picture).preferredSuffix();
    const QString name =
        QString::fromLatin1(QCryptographicHash::hash(picture, QCryptographicHash::Sha1).toHex());
    const QString path = folder + QLatin1Char('/') + name +
                         (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
    if (!QFileInfo::exists(path)) {
        // Written whole or not at all: a media widget never reads half a picture.
        QSaveFile file(path);
        if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) ||
            file.write(picture) != picture.size() || !file.commit()) {
            qCInfo(lcApp) << "cannot write the cover picture" << path << file.errorString();
            return QString();
        }
    }
    return QUrl::fromLocalFile(path).toString();
}

} // namespace app
