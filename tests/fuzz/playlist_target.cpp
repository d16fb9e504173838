// Playlist files (.m3u in the ANSI code page, .m3u8 in UTF-8): the line
// decoding and the per-line decisions the browser makes before it touches a
// file or the network.
#include "fuzz_support.h"
#include "fuzz_targets.h"

#include "browser/playlist_lines.h"
#include "platform/shell_path.h"

namespace {

using fuzzsupport::check;

void checkLines(const QStringList& lines, qsizetype inputLineEnds) {
    check(lines.size() <= inputLineEnds + 1, "more playlist lines than line ends");
    for (const QString& line : lines) {
        check(!line.contains(QLatin1Char('\n')), "a playlist line holds a line feed");
        // What LoadPlaylistLines asks of each line before opening anything.
        if (platform::isUrl(line) || line.isEmpty())
            continue;
        const QString name = platform::namePart(line);
        check(line.endsWith(name), "the name part is not the end of the line", line.toStdString());
        (void)platform::isRelative(line);
    }
}

} // namespace

int fuzzPlaylist(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzzsupport::bytesOf(data, size);
    const qsizetype lineEnds = bytes.count('\n');
    checkLines(browser::DecodeM3uLines(bytes), lineEnds);
    checkLines(browser::DecodeM3u8Lines(bytes), lineEnds);
    return 0;
}
