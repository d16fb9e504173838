#include "browser/list_file.h"

#include "browser/browser_log.h"
#include "platform/background_work.h"
#include "platform/code_page.h"
#include "platform/owned_file.h"
#include "platform/shell_path.h"

namespace browser {

namespace {

// A name from a server (a feed title may span lines) on one line of the list.
QString OneLine(QString name) {
    name.replace(QLatin1Char('\r'), QLatin1Char(' '));
    name.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return name;
}

// The list is rewritten from what was read of it; when another process or an
// editor wrote the file since, its content is kept and this rewrite dropped.
bool ReplaceListFile(const QString& path, const QByteArray& content) {
    platform::OwnedFileUpdate update(path);
    if (!update.ready())
        return false;
    if (update.changedSinceLastRead()) {
        qCInfo(lcBrowser).noquote()
            << QStringLiteral("%1 is not rewritten: it changed since it was read").arg(path);
        return false;
    }
    return update.replace(content);
}

} // namespace

QStringList ReadListFile(const QString& path) {
    const platform::FileSnapshot file = platform::readOwnedFile(path);
    if (file.state != platform::FileState::Present)
        return {};
    QList<QByteArray> lines = file.content.split('\n');
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
    return ReplaceListFile(path, content);
}

ListEntry SplitAtLastComma(const QString& entry) {
    const qsizetype comma = entry.lastIndexOf(QLatin1Char(','));
    if (comma < 0)
        return {QString(), entry, true};
    return {entry.left(comma), entry.mid(comma + 1)};
}

QString ListLine(const ListEntry& entry) {
    return entry.bare ? entry.location : entry.name + QLatin1Char(',') + entry.location;
}

ListEntrySet ReadListEntries(const QString& path, const EntryNamer& nameOf) {
    QStringList lines = ReadListFile(path);
    std::vector<qsizetype> bareUrls;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!lines[i].contains(QLatin1Char(',')) && platform::isUrl(lines[i]))
            bareUrls.push_back(i);
    }
    std::vector<std::optional<QString>> names(bareUrls.size());
    platform::forEachInParallel(bareUrls.size(), kParallelLookups, [&](size_t k) {
        names[k] = nameOf(std::as_const(lines)[bareUrls[k]]);
    });
    for (size_t k = 0; k < bareUrls.size(); ++k) {
        if (names[k])
            lines[bareUrls[k]] = OneLine(*names[k]) + QLatin1Char(',') + lines[bareUrls[k]];
    }
    ListEntrySet entries;
    for (QString& line : lines) {
        // A line without a comma takes the form it is written back in, so
        // that it sorts and merges the same way on the next read.
        if (!line.contains(QLatin1Char(',')) && !platform::isUrl(line))
            line.prepend(QLatin1Char(','));
        entries.insert(line);
    }
    return entries;
}

} // namespace browser
