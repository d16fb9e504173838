// Playlist files: ".m3u" in the 8-bit text rule, ".m3u8" in UTF-8, ".pls"
// with its File and Title entries. Each entry is a URL (named by its station
// or its Title) or a file, absolute, relative to the playlist's folder, or a
// "file:" URL.
#include "browser/form_view.h"

#include "browser/browser_log.h"
#include "browser/playlist_lines.h"
#include "platform/file_name.h"
#include "platform/file_url.h"
#include "platform/shell_path.h"
#include "playback/station_probe.h"
#include "tracklist/list_view.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace browser {

namespace {

QByteArray ReadPlaylistFile(const QString& path) {
    const int fd = ::open(platform::encodeFileName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        qCInfo(lcBrowser) << "playlist not read:" << path << std::strerror(error);
        return {};
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        qCInfo(lcBrowser) << "playlist not read:" << path << file.errorString();
        return {};
    }
    QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        qCInfo(lcBrowser) << "playlist not read whole:" << path << file.errorString();
    return content;
}

} // namespace

void CFormView::LoadM3u(const QString& fileName) {
    trackList_->ClearRows();
    LoadPlaylistItems(ReadM3uItems(ReadPlaylistFile(currentFolder_ + fileName)));
}

void CFormView::LoadM3u8(const QString& fileName) {
    trackList_->ClearRows();
    LoadPlaylistItems(ReadM3u8Items(ReadPlaylistFile(currentFolder_ + fileName)));
}

void CFormView::LoadPls(const QString& fileName) {
    trackList_->ClearRows();
    LoadPlaylistItems(ReadPlsItems(ReadPlaylistFile(currentFolder_ + fileName)));
}

void CFormView::LoadPlaylistFile(const QString& fileName) {
    const QString extension = platform::extensionOf(fileName);
    if (extension == QLatin1String(".m3u8"))
        LoadM3u8(fileName);
    else if (extension == QLatin1String(".pls"))
        LoadPls(fileName);
    else
        LoadM3u(fileName);
}

void CFormView::LoadPlaylistItems(const std::vector<PlaylistItem>& items) {
    for (const PlaylistItem& item : items)
        AppendPlaylistItem(item);
    ShowTitle(QString());
    trackList_->SetCurrentRowNoScroll(0);
    TrackListFilled();
}

void CFormView::AppendPlaylistItem(const PlaylistItem& item) {
    const std::optional<QString> localPath = platform::localPathOfFileUrl(item.bytes);
    if (!localPath && platform::isUrl(item.text)) {
        QString name = item.title;
        if (name.isEmpty()) {
            ShowTitle(item.text + QStringLiteral(" -> "));
            name = playback::ProbeStationName(item.text);
            ShowTitle(item.text + QStringLiteral(" -> ") + name);
        }
        trackList_->AppendRow(item.text, name);
        return;
    }
    for (const QString& path : localPath ? QStringList{*localPath} : FileCandidates(item)) {
        // Blank lines and folders cannot play, so they give no row.
        if (path.isEmpty())
            continue;
        const QString location = platform::isRelative(path) ? currentFolder_ + path : path;
        if (!platform::exists(location) || platform::isFolder(location))
            continue;
        const QString name = platform::readableFileName(platform::namePart(path));
        trackList_->AppendRow(location, item.title.isEmpty() ? name : item.title);
        return;
    }
}

} // namespace browser
