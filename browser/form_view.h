// CFormView: the browser panel on the left. A source box (the folder trail
// above the fixed entries "ドライブリスト", "ネットラジオ", "ポッドキャスト")
// and an entry list; choosing an entry fills the track list.
#pragma once

#include "audio/net/document_fetch.h"
#include "browser/list_file.h"

#include <QElapsedTimer>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QListWidget;

namespace playback {
class FrameLink;
}
namespace tracklist {
class CListView;
}

namespace browser {

struct PlaylistItem;

class CFormView : public QWidget {
    Q_OBJECT
public:
    explicit CFormView(QWidget* parent = nullptr);

    // Receives the frame, its title label and the track list, then lists the
    // drives.
    void Attach(playback::FrameLink* frame, QLabel* title, tracklist::CListView* list);
    // What the title label shows once a source's progress texts end: the
    // playing track's title (empty when nothing plays).
    void setRestingTitle(std::function<QString()> restingTitle) {
        restingTitle_ = std::move(restingTitle);
    }

    void OnSourceChanged(int index);
    void OnEntryChanged(int index);

    // Drives and folders
    void ListDrives();
    void ListFolderEntries();
    void FillTracksFromFolder();
    // Playlist files, named relative to the current folder
    void LoadM3u(const QString& fileName);
    void LoadM3u8(const QString& fileName);
    void LoadPls(const QString& fileName);
    // The loader of the file's extension (IsPlaylistFile).
    void LoadPlaylistFile(const QString& fileName);
    // Internet radio and podcasts
    void LoadNetRadio();
    void LoadPodcastList();
    void LoadFeed(int index);
    // Downloads a whole document, showing the byte count in the title label;
    // the body is empty when it cannot be fetched (the cause is logged).
    audio::net::FetchedDocument FetchUrl(const QString& url);
    QString GetFeedTitle(const QString& url);
    // Limits of the blocking network operations: feed downloads (30 s in all,
    // 64 MiB) and station-name probes (10 s in all); both end at once when the
    // program is asked to close.
    void setNetworkLimits(const audio::net::HttpLimits& feeds,
                          const audio::net::HttpLimits& probes);

    const QString& currentFolder() const { return currentFolder_; }
    void setCurrentFolder(const QString& folder) { currentFolder_ = folder; }
    QComboBox* sourceBox() const { return sources_; }
    QListWidget* entryList() const { return entries_; }
    const std::vector<QString>& feedTable() const { return feedTable_; }
    // Where _LastPath and the list files are kept.
    void setIniPath(const QString& path) { iniPath_ = path; }
    // The folder of Netradio.txt and Podcast.txt (ends with '/');
    // platform::userFileFolder() when empty.
    void setListFolder(const QString& folder) { listFolder_ = folder; }
    QString ListFilePath(const QString& name) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AddFixedSources();
    void SelectSource(int index);
    void ShowTitle(const QString& text);
    // Texts that follow each other fast (download progress, episode titles):
    // painted at most every few tens of milliseconds, since painting each of
    // a large feed's would take longer than the feed itself.
    void ShowProgress(const QString& text);
    // Paints the text last shown if it has not been painted yet.
    void PaintTitle();
    // The radio and podcast lists: the entries of the list file, bare URLs
    // named by nameOf; the list box and the track list are emptied first.
    std::vector<ListEntry> ReadNamedList(const QString& fileName, const EntryNamer& nameOf);
    // Writes the entries back in their normalised form, unless the program is
    // closing (a lookup cut short must not cost a bare URL its next lookup).
    void RewriteNamedList(const QString& fileName, const std::vector<ListEntry>& entries);
    void TrackListFilled();
    void LoadPlaylistItems(const std::vector<PlaylistItem>& items);
    void AppendPlaylistItem(const PlaylistItem& item);
    void OnSelectionChanged();
    void OnEntryPressed(int row);
    void QueueChoice(int row);
    void ChooseEntry(int row);

    playback::FrameLink* frame_ = nullptr;
    QLabel* title_ = nullptr;
    tracklist::CListView* trackList_ = nullptr;
    QComboBox* sources_ = nullptr;
    QListWidget* entries_ = nullptr;
    std::vector<QString> feedTable_;
    audio::net::HttpLimits feedLimits_;
    audio::net::HttpLimits probeLimits_;
    QElapsedTimer titlePainted_;
    std::optional<QString> unpaintedTitle_;
    QString currentFolder_;
    QString iniPath_;
    QString listFolder_;
    std::function<QString()> restingTitle_;
    bool rowJustChanged_ = false;
};

// HttpLimits::document() (30 s in all, 64 MiB), ended at once when the
// program is asked to close.
audio::net::HttpLimits FeedDownloadLimits();

// True when the extension of name is exactly ".m3u", ".m3u8" or ".pls".
bool IsPlaylistFile(const QString& name);
// True when the extension of name is one of the sixteen audio extensions.
bool IsAudioFile(const QString& name);

} // namespace browser
