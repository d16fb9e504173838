#include "browser/list_file.h"

#include "platform/atomic_file.h"
#include "platform/code_page.h"

#include <QFile>

namespace browser {

QStringList ReadListFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    QStringList decoded;
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        decoded.append(platform::decodeAnsi(line));
    }
    return decoded;
}

bool WriteListFile(const QString& path, const QStringList& lines) {
    QByteArray content;
    for (const QString& line : lines) {
        content += platform::encodeListLine(line);
        content += "\r\n";
    }
    return platform::replaceFileContent(path, content);
}

ListEntry SplitAtLastComma(const QString& entry) {
    const qsizetype comma = entry.lastIndexOf(QLatin1Char(','));
    if (comma < 0)
        return {QString(), entry};
    return {entry.left(comma), entry.mid(comma + 1)};
}

} // namespace browser
