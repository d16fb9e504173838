#include "playback/playback_engine.h"

#include "platform/close_request.h"
#include "platform/message_box.h"
#include "platform/shell_path.h"
#include "playback/frame_link.h"
#include "playback/play_log.h"
#include "playback/play_order.h"
#include "playback/playback_log.h"
#include "playback/section_stream.h"
#include "res/resource_ids.h"
#include "res/string_table.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "tracklist/list_view.h"
#include "tracklist/row_location.h"
#include "tracklist/track_marks.h"

#include <QComboBox>

namespace playback {

PlaybackEngine::PlaybackEngine() {
    SyncContext::instance().Join(this);
}

PlaybackEngine::~PlaybackEngine() {
    CancelConnection();
    SyncContext::instance().Leave(this);
}

void PlaybackEngine::Attach(FrameLink* owner, QLabel* title, QComboBox* order,
                            tracklist::CListView* list, const QString& iniPath) {
    iniPath_ = iniPath;
    owner_ = owner;
    titleDisplay_ = title;
    orderSelector_ = order;
    trackList_ = list;
}

DeviceStart PlaybackEngine::StartDevice() {
    if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
        qCInfo(lcPlayback) << "the sound device did not start: audio library error"
                           << BASS_ErrorGetCode();
        return DeviceStart::InitFailed;
    }
    BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 1);
    // A station that keeps an open waiting does not hold the window past the
    // close request.
    static NETABORTPROC* const closing = [] { return platform::closeRequested() ? TRUE : FALSE; };
    BASS_SetConfigPtr(BASS_CONFIG_NET_ABORTPROC, reinterpret_cast<const void*>(closing));
    return DeviceStart::Ok;
}

void PlaybackEngine::FreeDevice() {
    CancelConnection();
    BASS_Free();
    stream_ = 0;
    next_ = {};
}

int PlaybackEngine::PlayOrder() const {
    return orderSelector_ ? orderSelector_->currentIndex() : OrderNone;
}

bool PlaybackEngine::IsSkipped(int row) const {
    return trackList_->IsSkipped(row);
}

int PlaybackEngine::SettleRow(int row, int step, const std::function<bool(int)>& skipped) const {
    const int count = trackList_->RowCount();
    int n = row;
    while (skipped(n))
        n += step;
    if (n == -1)
        n = count - 1;
    if (n == count) {
        if (PlayOrder() == OrderOnce)
            return kListEnded;
        n = 0;
    }
    while (skipped(n))
        n += step;
    return n;
}

bool PlaybackEngine::OpenAndPlay(int row) {
    owner_->SendCommand(res::ID_PLAY_STOP);
    CancelConnection();
    const int n =
        SettleRow(row, stepDirection_ < 0 ? -1 : 1, [this](int r) { return IsSkipped(r); });
    if (n == kListEnded)
        return true;
    if (!IsSkipped(trackRow_))
        trackList_->SetMark(trackRow_, tracklist::MarkNone);
    const QString location = trackList_->GetLocation(n);
    if (platform::isUrl(location)) {
        Connect(n, location);
        return true;
    }
    if (!OpenStream(location, trackList_->GetSection(n).get())) {
        // Next and Previous go on from the row that failed.
        trackRow_ = n;
        ShowOpenFailure();
        return false;
    }
    return StartOpened(n, location, false);
}

bool PlaybackEngine::StartOpened(int n, const QString& location, bool followed) {
    AppendToPlayLog(location);
    if (!followed)
        ApplyDsp();
    ShowTrackTitle();
    if (!followed)
        SetSyncs(stream_);
    // Queued before the first sample is mixed, so even a device that plays
    // faster than real time cannot reach the end first.
    if (followingRow_)
        QueueFollowOn(followingRow_(n));
    if (followed) {
        trackList_->SetMark(n, tracklist::MarkPlaying);
    } else if (!Play(n)) {
        qCInfo(lcPlayback).nospace()
            << "cannot play " << location << ": audio library error " << BASS_ErrorGetCode();
        platform::showMessage(owner_->OwnerWindow(), res::loadString(res::IDS_STREAM_PLAY_FAILED));
        return false;
    }
    stepDirection_ = 0;
    trackRow_ = n;
    trackLocation_ = location;
    settings::IniFile(iniPath_).WriteStringInBackground(settings::keys::LastPlayed,
                                                        tracklist::FromRowLocation(trackLocation_));
    trackList_->SetCurrentRow(n);
    return true;
}

void PlaybackEngine::ShowOpenFailure() {
    // An open ended by the close request is no failure to tell the user of.
    if (!platform::closeRequested())
        platform::showMessage(owner_->OwnerWindow(), res::loadString(res::IDS_STREAM_OPEN_FAILED));
}

bool PlaybackEngine::OpenStream(const QString& location, const tracklist::TrackSection* section) {
    stream_ = OpenLocation(location, section);
    return stream_ != 0;
}

HSTREAM PlaybackEngine::OpenLocation(const QString& location,
                                     const tracklist::TrackSection* section) {
    if (location.isEmpty()) {
        qCInfo(lcPlayback) << "cannot open: the walk ended on a row that does not exist";
        return 0;
    }
    HSTREAM stream = 0;
    if (section) {
        stream = OpenSectionStream(*section);
    } else if (platform::isUrl(location)) {
        stream = BASS_StreamCreateURL(location.utf16(), 0, BASS_UNICODE, nullptr, nullptr);
    } else {
        // Linux does not accept the doubled separators of the row form.
        const QString path = tracklist::FromRowLocation(location);
        stream = BASS_StreamCreateFile(FALSE, path.utf16(), 0, 0, BASS_UNICODE);
    }
    if (stream == 0)
        qCInfo(lcPlayback).nospace()
            << "cannot open " << location << ": audio library error " << BASS_ErrorGetCode();
    return stream;
}

bool PlaybackEngine::Play(int row) {
    if (!BASS_ChannelPlay(stream_, FALSE))
        return false;
    trackList_->SetMark(row, tracklist::MarkPlaying);
    return true;
}

void PlaybackEngine::Pause() {
    BASS_ChannelPause(stream_);
    trackList_->SetMark(trackRow_, tracklist::MarkPaused);
}

void PlaybackEngine::Stop() {
    CancelConnection();
    if (stream_ == 0)
        return;
    DropFollowOn(true);
    FreeCurrentStream();
}

void PlaybackEngine::FreeCurrentStream() {
    const HSTREAM stopping = stream_;
    stream_ = 0;
    playingTitle_.clear();
    BASS_ChannelStop(stopping);
    BASS_StreamFree(stopping);
    trackList_->SetMark(trackRow_, tracklist::MarkNone);
}

int PlaybackEngine::TogglePlayPause() {
    const int row = trackList_->GetCurrentRow();
    const QString location = trackList_->GetLocation(row);
    if (IsConnecting()) {
        // Play/Pause on the row being connected to gives it up, as a pause
        // before anything was heard; on another row it opens that row.
        if (row == connecting_.row && location == connecting_.location) {
            owner_->SendCommand(res::ID_PLAY_STOP);
            return kNothingStarted;
        }
        return OpenAndPlay(row) ? kOpened : kNothingStarted;
    }
    switch (BASS_ChannelIsActive(stream_)) {
    case BASS_ACTIVE_STOPPED:
        return OpenAndPlay(row) ? kOpened : kNothingStarted;
    case BASS_ACTIVE_PLAYING:
        if (location == trackLocation_) {
            Pause();
            return kPaused;
        }
        return OpenAndPlay(row) ? kOpened : kNothingStarted;
    case BASS_ACTIVE_PAUSED:
        if (location == trackLocation_) {
            Play(row);
            return kResumed;
        }
        return OpenAndPlay(row) ? kOpened : kNothingStarted;
    default:
        return kNothingStarted;
    }
}

int PlaybackEngine::LengthSeconds() const {
    const double seconds = ExactLengthSeconds();
    return seconds < 0 ? -1 : static_cast<int>(seconds);
}

double PlaybackEngine::ExactLengthSeconds() const {
    return BASS_ChannelBytes2Seconds(stream_, BASS_ChannelGetLength(stream_, BASS_POS_BYTE));
}

double PlaybackEngine::PositionSeconds() const {
    return BASS_ChannelBytes2Seconds(stream_, BASS_ChannelGetPosition(stream_, BASS_POS_BYTE));
}

void PlaybackEngine::SeekToSecond(int seconds) {
    BASS_ChannelSetPosition(stream_, BASS_ChannelSeconds2Bytes(stream_, seconds), BASS_POS_BYTE);
}

} // namespace playback
