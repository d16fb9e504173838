#include "browser/playlist_lines.h"

#include "platform/code_page.h"
#include "platform/file_name.h"

#include <map>

namespace browser {

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");

QList<QByteArray> SplitLines(const QByteArray& bytes) {
    QList<QByteArray> lines = bytes.split('\n');
    // A final line end does not start another line.
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

// The number after a key's name ("File12" -> 12), or nothing when the key
// is not that name followed by digits.
std::optional<int> NumberAfter(const QByteArray& key, const char* name) {
    const QByteArray prefix(name);
    if (!key.startsWith(prefix) || key.size() == prefix.size())
        return std::nullopt;
    bool ok = false;
    const int number = key.mid(prefix.size()).toInt(&ok);
    return ok ? std::optional(number) : std::nullopt;
}

struct PlsEntry {
    QByteArray file;
    QByteArray title;
};

} // namespace

std::vector<PlaylistItem> ReadM3uItems(const QByteArray& content) {
    std::vector<PlaylistItem> items;
    for (const QByteArray& line : SplitLines(content))
        items.push_back({line, platform::decodeAnsi(line), {}});
    return items;
}

std::vector<PlaylistItem> ReadM3u8Items(QByteArray content) {
    if (content.startsWith(kUtf8Bom))
        content.remove(0, kUtf8Bom.size());
    // Reading stops at an invalid sequence; the text before it is the last line.
    const QString text = platform::decodeUtf8Prefix(content);
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    std::vector<PlaylistItem> items;
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        items.push_back({line.toUtf8(), line, {}});
    }
    return items;
}

std::vector<PlaylistItem> ReadPlsItems(QByteArray content) {
    if (content.startsWith(kUtf8Bom))
        content.remove(0, kUtf8Bom.size());
    std::map<int, PlsEntry> byNumber;
    for (const QByteArray& line : SplitLines(content)) {
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            continue;
        const QByteArray key = line.left(equals).trimmed().toLower();
        const QByteArray value = line.mid(equals + 1).trimmed();
        if (const std::optional<int> number = NumberAfter(key, "file"))
            byNumber[*number].file = value;
        else if (const std::optional<int> number = NumberAfter(key, "title"))
            byNumber[*number].title = value;
    }
    std::vector<PlaylistItem> items;
    for (const auto& [number, entry] : byNumber) {
        if (!entry.file.isEmpty())
            items.push_back({entry.file, platform::decodeAnsi(entry.file),
                             platform::readableAnsi(entry.title)});
    }
    return items;
}

QStringList FileCandidates(const PlaylistItem& item) {
    QStringList candidates{platform::decodeFileName(item.bytes)};
    if (item.text != candidates.front())
        candidates.append(item.text);
    return candidates;
}

} // namespace browser
