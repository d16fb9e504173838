// Playlist files: ".m3u" in the ANSI code page, ".m3u8" in UTF-8. Each line
// is a URL (named by its station) or a file, absolute or relative to the
// playlist's folder.
#include "browser/form_view.h"

#include "browser/playlist_lines.h"
#include "platform/shell_path.h"
#include "playback/station_probe.h"
#include "tracklist/list_view.h"

#include <QFile>
#include <QFileInfo>

namespace browser {

namespace {

QByteArray ReadWholeFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

void CFormView::LoadM3u(const QString& fileName) {
    trackList_->ClearRows();
    LoadPlaylistLines(DecodeM3uLines(ReadWholeFile(currentFolder_ + fileName)));
}

void CFormView::LoadM3u8(const QString& fileName) {
    trackList_->ClearRows();
    LoadPlaylistLines(DecodeM3u8Lines(ReadWholeFile(currentFolder_ + fileName)));
}

void CFormView::LoadPlaylistLines(const QStringList& lines) {
    for (const QString& line : lines) {
        if (platform::isUrl(line)) {
            ShowTitle(line + QStringLiteral(" -> "));
            const QString name = playback::ProbeStationName(line);
            ShowTitle(line + QStringLiteral(" -> ") + name);
            trackList_->AppendRow(line, name);
            continue;
        }
        // Blank lines and folders cannot play, so they give no row.
        if (line.isEmpty())
            continue;
        const QString location = platform::isRelative(line) ? currentFolder_ + line : line;
        if (!platform::exists(location) || QFileInfo(location).isDir())
            continue;
        trackList_->AppendRow(location, platform::namePart(line));
    }
    ShowTitle(QString());
    trackList_->SetCurrentRowNoScroll(0);
    TrackListFilled();
}

} // namespace browser
