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
    const QByteArray bytes = QByteArray::fromPercentEncoding(path.toByteArray());
    // No file name holds a NUL byte; taken along, it would cut the path
    // short ("v.ogg%00.txt" naming v.ogg).
    if (bytes.contains('\0'))
        return QString();
    return decodeFileName(bytes);
}

} // namespace platform
