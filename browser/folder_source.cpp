// The drives-and-folders source: drive roots, the sub-folders and playlists
// of the current folder, and its audio files as track rows.
#include "browser/form_view.h"

#include "browser/embedded_cue.h"
#include "platform/drive_roots.h"
#include "platform/file_name.h"
#include "platform/folder_enumeration.h"
#include "platform/shell_path.h"
#include "tracklist/list_view.h"

#include <QComboBox>
#include <QListWidget>
#include <QSignalBlocker>
#include <array>
#include <set>

namespace browser {

namespace {

// ".cda" (the track files of an audio CD) is listed so that such rows show;
// opening one reports the open failure, as the audio library drives no CD.
const std::array<QLatin1String, 16> kAudioExtensions = {
    QLatin1String(".aac"),  QLatin1String(".aif"),  QLatin1String(".aiff"), QLatin1String(".cda"),
    QLatin1String(".flac"), QLatin1String(".m4a"),  QLatin1String(".m4b"),  QLatin1String(".mp1"),
    QLatin1String(".mp2"),  QLatin1String(".mp3"),  QLatin1String(".mp4"),  QLatin1String(".oga"),
    QLatin1String(".ogg"),  QLatin1String(".opus"), QLatin1String(".wav"),  QLatin1String(".wma")};

bool IsListedFile(const platform::FolderEntry& entry) {
    return !entry.isDirectory && !entry.isSystem;
}

// An entry shown by its readable name that keeps the name itself, every byte
// of it, in its data for opening (OnEntryChanged).
void AddEntry(QListWidget& entries, const QString& name, const QString& shown) {
    auto* item = new QListWidgetItem(shown, &entries);
    item->setData(Qt::UserRole, name);
}

} // namespace

bool IsPlaylistFile(const QString& name) {
    const QString extension = platform::extensionOf(name);
    return extension == QLatin1String(".m3u") || extension == QLatin1String(".m3u8") ||
           extension == QLatin1String(".pls") || extension == QLatin1String(".cue") ||
           IsEmbeddedCueEntry(name);
}

bool IsAudioFile(const QString& name) {
    const QString extension = platform::extensionOf(name);
    for (const QLatin1String& audio : kAudioExtensions) {
        if (extension == audio)
            return true;
    }
    return false;
}

void CFormView::ListDrives() {
    CancelLoad();
    {
        const QSignalBlocker quiet(entries_);
        entries_->clear();
    }
    trackList_->ClearRows();
    for (const QString& root : platform::driveRoots())
        AddEntry(*entries_, root, platform::readableFileName(root));
    const QSignalBlocker quiet(sources_);
    sources_->clear();
    AddFixedSources();
    sources_->setCurrentIndex(0);
}

void CFormView::ListFolder() {
    LoadFolder(true, {});
}

void CFormView::FillTracksFromFolder(AfterLoad then) {
    LoadFolder(false, std::move(then));
}

void CFormView::ShowFolderEntries(const platform::FolderListing& listing,
                                  const std::set<QString>& cueImages) {
    const QSignalBlocker quiet(entries_);
    for (const platform::FolderEntry& entry : listing.entries) {
        if (entry.isDirectory && !entry.isSystem && !entry.isDots)
            AddEntry(*entries_, entry.name + QLatin1Char('/'),
                     entry.readableName + QLatin1Char('/'));
    }
    for (const platform::FolderEntry& entry : listing.entries) {
        if (IsListedFile(entry) && IsPlaylistFile(entry.name))
            AddEntry(*entries_, entry.name, entry.readableName);
        else if (cueImages.contains(entry.name))
            AddEntry(*entries_, EmbeddedCueEntry(entry.name), EmbeddedCueEntry(entry.readableName));
    }
    entries_->setCurrentRow(-1);
}

// The folder is read once, in the background, for both lists; its audio
// files become rows in name order. For the entry list, the images among its
// files are looked into for an embedded cue sheet.
void CFormView::LoadFolder(bool listEntries, AfterLoad then) {
    if (listEntries) {
        const QSignalBlocker quiet(entries_);
        entries_->clear();
    }
    const platform::CancelToken token = BeginLoad(std::move(then));
    struct Listed {
        platform::FolderListing listing;
        std::shared_ptr<std::vector<LoadedRow>> rows;
        std::set<QString> cueImages;
    };
    platform::runInBackground(
        token,
        [folder = currentFolder_, listEntries, token] {
            Listed listed{
                platform::enumerateFolder(folder), std::make_shared<std::vector<LoadedRow>>(), {}};
            for (const platform::FolderEntry& entry : listed.listing.entries) {
                if (!IsListedFile(entry))
                    continue;
                if (IsAudioFile(entry.name))
                    listed.rows->push_back({folder + entry.name, entry.readableName});
                // Each look opens a file: a load left behind stops looking.
                if (listEntries && MayHoldCueSheet(entry.name) && !token.cancelled() &&
                    !ReadEmbeddedCueSheet(folder + entry.name).isEmpty())
                    listed.cueImages.insert(entry.name);
            }
            return listed;
        },
        [this, listEntries](Listed listed) {
            if (listEntries)
                ShowFolderEntries(listed.listing, listed.cueImages);
            if (!listed.listing.opened) {
                EndLoad();
                return;
            }
            AppendRowsInSlices(std::move(listed.rows), nullptr, [this] {
                trackList_->SetCurrentRowNoScroll(0);
                TrackListFilled();
                EndLoad();
            });
        });
}

} // namespace browser
