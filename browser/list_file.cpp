#include "browser/list_file.h"

#include "browser/browser_log.h"
#include "platform/background_work.h"
#include "platform/code_page.h"
#include "platform/file_name.h"
#include "platform/owned_file.h"
#include "platform/shell_path.h"

#include <map>

namespace browser {

namespace {

// A name from a server (a feed title may span lines) on one line of the list.
QString OneLine(QString name) {
    name.replace(QLatin1Char('\r'), QLatin1Char(' '));
    name.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return name;
}

// The lines of a list file as read, split at LF with a CR before it dropped.
QList<QByteArray> SplitListLines(const QByteArray& content) {
    QList<QByteArray> lines = content.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

// The line end a list file uses: that of its first line; LF for a new file.
QByteArray LineEndOf(const QByteArray& content) {
    const qsizetype lineFeed = content.indexOf('\n');
    return lineFeed > 0 && content[lineFeed - 1] == '\r' ? QByteArray("\r\n") : QByteArray("\n");
}

// Each line of the old file, by its text, as the bytes it was written in:
// a line is written back in the encoding it was read in (a user's UTF-8
// stays UTF-8, a list from the Windows program stays CP932), and text new to
// the file (a name looked up from a station or a feed) is written in UTF-8.
class LineEncoder {
public:
    explicit LineEncoder(const QByteArray& oldContent) {
        for (const QByteArray& line : SplitListLines(oldContent))
            read_.try_emplace(platform::decodeAnsi(line), line);
    }

    QByteArray encode(const QString& line) const {
        if (const auto it = read_.find(line); it != read_.end())
            return it->second;
        // A bare line of the file, written back with the name it was given.
        const qsizetype comma = line.lastIndexOf(QLatin1Char(','));
        if (comma >= 0) {
            if (const auto it = read_.find(line.mid(comma + 1)); it != read_.end())
                return NewText(line.left(comma + 1)) + it->second;
        }
        return NewText(line);
    }

private:
    // UTF-8, with carried-over bytes written back as they were. Reading drops
    // one leading byte order mark, so text that starts with U+FEFF of its own
    // gets one more in front.
    static QByteArray NewText(const QString& text) {
        const QByteArray bytes = platform::encodeFileName(text);
        return text.startsWith(QChar(0xFEFF)) ? "\xEF\xBB\xBF" + bytes : bytes;
    }

    std::map<QString, QByteArray> read_;
};

QByteArray ListContent(const QStringList& lines, const QByteArray& oldContent) {
    const LineEncoder encoder(oldContent);
    const QByteArray lineEnd = LineEndOf(oldContent);
    QByteArray content;
    for (const QString& line : lines)
        content += encoder.encode(line) + lineEnd;
    return content;
}

} // namespace

QStringList ReadListFile(const QString& path) {
    const platform::FileSnapshot file = platform::readOwnedFile(path);
    if (file.state != platform::FileState::Present)
        return {};
    QStringList decoded;
    for (const QByteArray& line : SplitListLines(file.content))
        decoded.append(platform::decodeAnsi(line));
    return decoded;
}

// The list is rewritten from what was read of it; when another process or an
// editor wrote the file since, its content is kept and this rewrite dropped.
bool WriteListFile(const QString& path, const QStringList& lines) {
    platform::OwnedFileUpdate update(path);
    if (!update.ready())
        return false;
    if (update.changedSinceLastRead()) {
        qCInfo(lcBrowser).noquote()
            << QStringLiteral("%1 is not rewritten: it changed since it was read").arg(path);
        return false;
    }
    return update.replace(ListContent(lines, update.content()));
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
