#include "browser/list_file.h"

#include "platform/atomic_file.h"
#include "platform/code_page.h"
#include "platform/shell_path.h"

#include <QFile>

namespace browser {

namespace {

// A name from a server (a feed title may span lines) on one line of the list.
QString OneLine(QString name) {
    name.replace(QLatin1Char('\r'), QLatin1Char(' '));
    name.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return name;
}

} // namespace

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

ListEntrySet ReadListEntries(const QString& path, const EntryNamer& nameOf) {
    ListEntrySet entries;
    for (QString line : ReadListFile(path)) {
        // A line without a comma takes the form it is written back in, so
        // that it sorts and merges the same way on the next read.
        if (!line.contains(QLatin1Char(',')))
            line = (platform::isUrl(line) ? OneLine(nameOf(line)) : QString()) + QLatin1Char(',') +
                   line;
        entries.insert(line);
    }
    return entries;
}

} // namespace browser
