// Playlist files: ".m3u" in the ANSI code page, ".m3u8" in UTF-8. Each line
// is a URL (named by its station) or a file, absolute or relative to the
// playlist's folder.
#include "browser/form_view.h"

#include "platform/code_page.h"
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

QStringList DecodeM3u(const QByteArray& bytes) {
    QStringList lines;
    for (const QByteArray& line : SplitLines(bytes))
        lines.append(platform::decodeAnsi(line));
    return lines;
}

QStringList DecodeM3u8(QByteArray bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    // Reading stops at an invalid sequence; the text before it is the last line.
    const QString text = platform::decodeUtf8Prefix(bytes);
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}

} // namespace

void CFormView::LoadM3u(const QString& fileName) {
    trackList_->ClearRows();
    LoadPlaylistLines(DecodeM3u(ReadWholeFile(currentFolder_ + fileName)));
}

void CFormView::LoadM3u8(const QString& fileName) {
    trackList_->ClearRows();
    LoadPlaylistLines(DecodeM3u8(ReadWholeFile(currentFolder_ + fileName)));
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
