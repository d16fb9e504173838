// CFormView: the browser panel on the left. A source box (the folder trail
// above the fixed entries "ドライブリスト", "ネットラジオ", "ポッドキャスト")
// and an entry list; choosing an entry fills the track list.
//
// Every source loads in the background (folder listings, playlist and list
// files, station lookups, feed downloads): the loader methods start the load
// and return at once; the rows arrive as queued calls on the UI thread and
// loadFinished() follows. Starting another load, choosing another source or
// destroying the panel cancels the load in flight, whose late results are
// dropped.
#pragma once

#include "audio/common/http_policy.h"
#include "browser/list_file.h"
#include "platform/background_work.h"
#include "platform/folder_enumeration.h"

#include <QElapsedTimer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

class QComboBox;
class QLabel;
class QListWidget;

namespace playback {
class FrameLink;
}
namespace tracklist {
class CListView;
struct TrackSection;
} // namespace tracklist

namespace browser {

struct PlaylistItem;

// Runs in the background: reads a named list (ReadNamedList) and, unless
// the token was cancelled meanwhile, writes it back in its normalised form.
std::vector<ListEntry> LoadNamedList(const QString& path, const EntryNamer& nameOf,
                                     const platform::CancelToken& token,
                                     const std::function<void(const QString&)>& showTitle);

// A row a load produced, appended to the track list on the UI thread.
struct LoadedRow {
    QString location;
    QString name;
    std::shared_ptr<const tracklist::TrackSection> section = nullptr; // a cue sheet's track
};

class CFormView : public QWidget {
    Q_OBJECT
public:
    explicit CFormView(QWidget* parent = nullptr);
    ~CFormView() override;

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

    // What runs once a load has put its rows in the track list (start-up and
    // command-line opening play a row then); dropped with a cancelled load.
    using AfterLoad = std::function<void()>;

    // Drives and folders
    void ListDrives();
    // Lists the current folder's sub-folders and playlists in the entry list
    // and its audio files as rows, from one listing.
    void ListFolder();
    void FillTracksFromFolder(AfterLoad then = {});
    // Playlist files, named relative to the current folder
    void LoadM3u(const QString& fileName) { LoadPlaylistFile(fileName); }
    void LoadM3u8(const QString& fileName) { LoadPlaylistFile(fileName); }
    void LoadPls(const QString& fileName) { LoadPlaylistFile(fileName); }
    // The loader of the file's extension (IsPlaylistFile).
    void LoadPlaylistFile(const QString& fileName, AfterLoad then = {});
    // A stream URL given to the player (command line, drop, MPRIS): the one
    // row of the track list, named by its station.
    void LoadStationUrl(const QString& url, AfterLoad then = {});
    // Internet radio and podcasts
    void LoadNetRadio();
    void LoadPodcastList();
    void LoadFeed(int index);
    // Limits of the network operations: feed downloads (30 s in all, 64 MiB)
    // and station-name probes (10 s in all); both end at once when the load
    // is cancelled or the program is asked to close.
    void setNetworkLimits(const audio::net::HttpLimits& feeds,
                          const audio::net::HttpLimits& probes);

    // True from the start of a load until its rows are in or it is cancelled.
    bool isLoading() const { return loading_; }
    // Cancels the load in flight: no row, text or rewrite of it follows.
    void CancelLoad();
    // Forgets what was to run after the load (the user chose a track, or
    // Stop, meanwhile); the rows still come.
    void DropAfterLoad() { afterLoad_ = nullptr; }

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

signals:
    // A load has put all its rows in the track list.
    void loadFinished();

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
    // Starts a load: cancels the one in flight and returns the new load's
    // token. The track list is emptied unless keepRows.
    platform::CancelToken BeginLoad(AfterLoad then, bool keepRows = false);
    // Ends the load: the title label shows what plays, then loadFinished()
    // and what was to run after it.
    void EndLoad();
    // Appends the rows a few thousand at a time, letting the event loop run
    // between slices, then calls done. Progress texts come from progressOf.
    void AppendRowsInSlices(std::shared_ptr<const std::vector<LoadedRow>> rows,
                            std::function<QString(const LoadedRow&)> progressOf,
                            std::function<void()> done, size_t from = 0);
    // Shows texts in the title label from background threads, while the
    // load of the token runs.
    std::function<void(const QString&)> TitlePoster(const platform::CancelToken& token);
    // The radio and podcast lists: clears the entry list and the track list,
    // then reads the list file in the background, naming its bare URLs with
    // nameOf (given the load's limits and a sink for title texts), rewrites it
    // and hands its entries to show.
    using BackgroundNamer = std::function<std::optional<QString>(
        const QString& url, const audio::net::HttpLimits& limits,
        const std::function<void(const QString&)>& showTitle)>;
    void LoadNamedListInBackground(const QString& fileName, audio::net::HttpLimits limits,
                                   BackgroundNamer nameOf,
                                   std::function<void(const std::vector<ListEntry>&)> show);
    void TrackListFilled();
    void LoadFolder(bool listEntries, AfterLoad then);
    // The sub-folders, the playlists and the images that carry a cue sheet
    // (cueImages), in name order.
    void ShowFolderEntries(const platform::FolderListing& listing,
                           const std::set<QString>& cueImages);
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
    platform::CancelToken load_;
    bool loading_ = false;
    AfterLoad afterLoad_;
};

// HttpLimits::document() (30 s in all, 64 MiB), ended at once when the
// program is asked to close.
audio::net::HttpLimits FeedDownloadLimits();

// True when the extension of name is exactly ".m3u", ".m3u8", ".pls" or
// ".cue", or name is the entry of an image's embedded cue sheet
// (embedded_cue.h).
bool IsPlaylistFile(const QString& name);
// True when the extension of name is one of the sixteen audio extensions.
bool IsAudioFile(const QString& name);

} // namespace browser
