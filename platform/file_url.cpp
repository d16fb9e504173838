#include "platform/file_url.h"

#include "platform/file_name.h"

namespace platform {

QString fileUrlOf(const QString& path) {
    return QStringLiteral("file://") +
           QString::fromLatin1(encodeFileName(path).toPercentEncoding(QByteArrayLiteral("/")));
}

std::optional<QString> localPathOfFileUrl(QByteArrayView location) {
    if (location.size() < 5 ||
        QByteArrayView(location.first(5)).compare("file:", Qt::CaseInsensitive) != 0)
        return std::nullopt;
    QByteArrayView path = location.sliced(5);
    if (path.startsWith("//")) {
        const qsizetype slash = path.indexOf('/', 2);
        if (slash < 0)
            return QString();
        const QByteArrayView host = path.sliced(2, slash - 2);
        if (!host.isEmpty() && host.compare("localhost", Qt::CaseInsensitive) != 0)
            return QString();
        path = path.sliced(slash);
    }
    if (!path.startsWith('/'))
        return QString();
    return decodeFileName(QByteArray::fromPercentEncoding(path.toByteArray()));
}

} // namespace platform
