// Playlist files (.m3u in the ANSI code page, .m3u8 in UTF-8, .pls): the
// entry decoding and the per-entry decisions the browser makes before it
// touches a file or the network.
#include "fuzz_support.h"
#include "fuzz_targets.h"

#include "browser/playlist_lines.h"
#include "platform/file_url.h"
#include "platform/shell_path.h"

namespace {

using fuzzsupport::check;

void checkItems(const std::vector<browser::PlaylistItem>& items, qsizetype inputLineEnds) {
    check(static_cast<qsizetype>(items.size()) <= inputLineEnds + 1,
          "more playlist entries than lines");
    for (const browser::PlaylistItem& item : items) {
        check(!item.text.contains(QLatin1Char('\n')), "a playlist entry holds a line feed");
        // What AppendPlaylistItem asks of each entry before opening anything.
        if (platform::localPathOfFileUrl(item.bytes) || platform::isUrl(item.text))
            continue;
        for (const QString& path : browser::FileCandidates(item)) {
            const QString name = platform::namePart(path);
            check(path.endsWith(name), "the name part is not the end of the path",
                  path.toStdString());
            (void)platform::isRelative(path);
        }
    }
}

} // namespace

int fuzzPlaylist(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzzsupport::bytesOf(data, size);
    const qsizetype lineEnds = bytes.count('\n') + bytes.count('\r');
    checkItems(browser::ReadM3uItems(bytes), lineEnds);
    checkItems(browser::ReadM3u8Items(bytes), lineEnds);
    checkItems(browser::ReadPlsItems(bytes), lineEnds);
    return 0;
}
