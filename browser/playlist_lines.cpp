#include "browser/playlist_lines.h"

#include "platform/code_page.h"
#include "platform/file_name.h"
#include "platform/shell_path.h"

#include <QStringDecoder>
#include <map>

namespace browser {

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");

// A file saved as "Unicode" by a Windows editor: UTF-16 with its byte order
// mark, given in UTF-8; nothing for other files.
std::optional<QByteArray> Utf16AsUtf8(const QByteArray& content) {
    const bool little = content.startsWith("\xFF\xFE");
    if (!little && !content.startsWith("\xFE\xFF"))
        return std::nullopt;
    QStringDecoder decoder(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
    const QString text = decoder.decode(QByteArrayView(content).sliced(2));
    return text.toUtf8();
}

// The content with UTF-16 made UTF-8 (whose lines read as UTF-8).
QByteArray WithoutUtf16(const QByteArray& content) {
    return Utf16AsUtf8(content).value_or(content);
}

// Lines end in LF, CR LF or CR alone (old Mac editors); a final line end
// does not start another line. Each line is trimmed of the white space
// around it.
QList<QByteArray> SplitLines(const QByteArray& bytes) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype at = 0; at < bytes.size(); ++at) {
        if (bytes[at] != '\n' && bytes[at] != '\r')
            continue;
        lines.append(bytes.mid(start, at - start).trimmed());
        if (bytes[at] == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n')
            ++at;
        start = at + 1;
    }
    if (start < bytes.size())
        lines.append(bytes.mid(start).trimmed());
    return lines;
}

// A line of a UTF-8 playlist; a line that is not UTF-8 (a name pasted from
// an 8-bit file) is read by the 8-bit text rule.
QString DecodeUtf8Line(const QByteArray& line) {
    if (platform::isValidUtf8(line.constData(), static_cast<size_t>(line.size())))
        return QString::fromUtf8(line);
    return platform::decodeAnsi(line);
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

// A path written on Windows ("Album\01 - Intro.flac") with the separators
// of this system; nothing when it has no backslash or would become absolute.
std::optional<QString> WithSlashes(const QString& path) {
    if (!path.contains(QLatin1Char('\\')))
        return std::nullopt;
    QString slashed = path;
    slashed.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!platform::isRelative(path) || !platform::isRelative(slashed))
        return std::nullopt;
    return slashed;
}

} // namespace

std::vector<PlaylistItem> ReadM3uItems(const QByteArray& content) {
    if (const std::optional<QByteArray> utf8 = Utf16AsUtf8(content))
        return ReadM3u8Items(*utf8);
    std::vector<PlaylistItem> items;
    for (const QByteArray& line : SplitLines(content))
        items.push_back({line, platform::decodeAnsi(line), {}});
    return items;
}

std::vector<PlaylistItem> ReadM3u8Items(QByteArray content) {
    content = WithoutUtf16(content);
    if (content.startsWith(kUtf8Bom))
        content.remove(0, kUtf8Bom.size());
    std::vector<PlaylistItem> items;
    for (const QByteArray& line : SplitLines(content))
        items.push_back({line, DecodeUtf8Line(line), {}});
    return items;
}

std::vector<PlaylistItem> ReadPlsItems(QByteArray content) {
    content = WithoutUtf16(content);
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
    for (qsizetype i = 0, written = candidates.size(); i < written; ++i) {
        const std::optional<QString> slashed = WithSlashes(candidates[i]);
        if (slashed && !candidates.contains(*slashed))
            candidates.append(*slashed);
    }
    return candidates;
}

} // namespace browser
