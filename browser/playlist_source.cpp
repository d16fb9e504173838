// Playlist files: ".m3u" in the 8-bit text rule, ".m3u8" in UTF-8, ".pls"
// with its File and Title entries. Each entry is a URL (named by its station
// or its Title) or a file, absolute, relative to the playlist's folder, or a
// "file:" URL. A ".cue" sheet gives a row for each track of its image.
#include "browser/form_view.h"

#include "browser/browser_log.h"
#include "browser/cue_rows.h"
#include "browser/embedded_cue.h"
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
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace browser {

namespace {

// A playlist is a small text; a larger "playlist" is something else.
constexpr qint64 kMaxPlaylistBytes = qint64(16) << 20;
// Station lookups of one playlist that wait at once.
constexpr size_t kParallelLookups = 32;

// Reads a regular file of at most kMaxPlaylistBytes without ever blocking in
// open() (a FIFO named like a playlist) and without reading a device without
// end (/dev/zero linked as a playlist); anything else reads as empty.
QByteArray ReadPlaylistFile(const QString& path) {
    const int fd = ::open(platform::encodeFileName(path).constData(),
                          O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        qCInfo(lcBrowser) << "playlist not read:" << path << std::strerror(error);
        return {};
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxPlaylistBytes) {
        qCInfo(lcBrowser) << "playlist not read: not a regular file of at most" << kMaxPlaylistBytes
                          << "bytes:" << path;
        ::close(fd);
        return {};
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        qCInfo(lcBrowser) << "playlist not read:" << path << file.errorString();
        return {};
    }
    QByteArray content = file.read(kMaxPlaylistBytes);
    if (file.error() != QFileDevice::NoError)
        qCInfo(lcBrowser) << "playlist not read whole:" << path << file.errorString();
    return content;
}

std::vector<PlaylistItem> ReadPlaylistItems(const QString& path) {
    const QString extension = platform::extensionOf(path);
    if (extension == QLatin1String(".m3u8"))
        return ReadM3u8Items(ReadPlaylistFile(path));
    if (extension == QLatin1String(".pls"))
        return ReadPlsItems(ReadPlaylistFile(path));
    return ReadM3uItems(ReadPlaylistFile(path));
}

// The row of a file entry: the first candidate that names an existing file
// (blank lines and folders cannot play, so they give none).
std::optional<LoadedRow> FileRow(const PlaylistItem& item, const QString& folder) {
    const std::optional<QString> localPath = platform::localPathOfFileUrl(item.bytes);
    for (const QString& path : localPath ? QStringList{*localPath} : FileCandidates(item)) {
        if (path.isEmpty())
            continue;
        const QString location = platform::isRelative(path) ? folder + path : path;
        if (!platform::exists(location) || platform::isFolder(location))
            continue;
        const QString name = platform::readableFileName(platform::namePart(path));
        return LoadedRow{location, item.title.isEmpty() ? name : item.title};
    }
    return std::nullopt;
}

// The tracks of the sheet an image carries, all in the image itself
// (whatever FILE the ripper wrote in it).
std::vector<LoadedRow> EmbeddedCueRows(const QString& image, const QString& folder) {
    CueSheet sheet = ReadCueSheet(ReadEmbeddedCueSheet(image));
    for (CueTrack& track : sheet.tracks)
        track.file = image;
    return CueRows(sheet, folder);
}

bool IsStreamItem(const PlaylistItem& item) {
    return !platform::localPathOfFileUrl(item.bytes) && platform::isUrl(item.text);
}

// Runs in the background: file entries are looked up on the disk, stream
// entries without a title named by their stations, side by side; the rows
// keep the order of the entries.
std::vector<LoadedRow> ResolvePlaylistItems(const std::vector<PlaylistItem>& items,
                                            const QString& folder,
                                            const audio::net::HttpLimits& limits,
                                            const std::function<void(const QString&)>& showTitle) {
    std::vector<std::optional<LoadedRow>> resolved(items.size());
    std::vector<size_t> lookups;
    for (size_t i = 0; i < items.size(); ++i) {
        const PlaylistItem& item = items[i];
        if (!IsStreamItem(item))
            resolved[i] = FileRow(item, folder);
        else if (!item.title.isEmpty())
            resolved[i] = LoadedRow{item.text, item.title};
        else
            lookups.push_back(i);
    }
    platform::forEachInParallel(lookups.size(), kParallelLookups, [&](size_t k) {
        const QString& url = items[lookups[k]].text;
        showTitle(url + QStringLiteral(" -> "));
        const QString name = playback::ProbeStationName(url, limits);
        showTitle(url + QStringLiteral(" -> ") + name);
        resolved[lookups[k]] = LoadedRow{url, name};
    });
    std::vector<LoadedRow> rows;
    for (std::optional<LoadedRow>& row : resolved) {
        if (row)
            rows.push_back(std::move(*row));
    }
    return rows;
}

} // namespace

void CFormView::LoadPlaylistFile(const QString& fileName, AfterLoad then) {
    const platform::CancelToken token = BeginLoad(std::move(then));
    audio::net::HttpLimits limits = probeLimits_;
    limits.abortRequested = token.check();
    platform::runInBackground(
        token,
        [path = currentFolder_ + fileName, folder = currentFolder_, limits,
         showTitle = TitlePoster(token)] {
            if (IsEmbeddedCueEntry(path))
                return EmbeddedCueRows(ImageOfEmbeddedCueEntry(path), folder);
            if (platform::extensionOf(path) == QLatin1String(".cue"))
                return CueRows(ReadCueSheet(ReadPlaylistFile(path)), folder);
            return ResolvePlaylistItems(ReadPlaylistItems(path), folder, limits, showTitle);
        },
        [this](std::vector<LoadedRow> rows) {
            AppendRowsInSlices(std::make_shared<const std::vector<LoadedRow>>(std::move(rows)),
                               nullptr, [this] {
                                   trackList_->SetCurrentRowNoScroll(0);
                                   TrackListFilled();
                                   EndLoad();
                               });
        });
}

void CFormView::LoadStationUrl(const QString& url, AfterLoad then) {
    const platform::CancelToken token = BeginLoad(std::move(then));
    audio::net::HttpLimits limits = probeLimits_;
    limits.abortRequested = token.check();
    platform::runInBackground(
        token, [url, limits] { return playback::ProbeStationName(url, limits); },
        [this, url](const QString& name) {
            trackList_->AppendRow(url, name);
            trackList_->SetCurrentRowNoScroll(0);
            EndLoad();
        });
}

} // namespace browser
