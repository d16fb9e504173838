#include "app/mpris_bridge.h"

#include "app/main_frame.h"
#include "app/seek_bar.h"
#include "audio/api/tags.h"
#include "browser/startup_open.h"
#include "platform/file_name.h"
#include "platform/file_url.h"
#include "platform/shell_path.h"
#include "playback/play_order.h"
#include "playback/station_probe.h"
#include "res/resource_ids.h"
#include "tracklist/list_view.h"
#include "tracklist/row_location.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QToolBar>
#include <algorithm>
#include <cmath>

namespace app {

namespace {

constexpr double kMicroseconds = 1e6;
constexpr int kVolumeSteps = 100; // the volume bar's range

QString TagOf(HSTREAM stream, const char* field) {
    const char* text = TAGS_Read(stream, field);
    return QString::fromUtf8(text ? text : "").trimmed();
}

// Stream URLs are kept as the list holds them; files become file:// URLs,
// and a cue sheet's track the URL of its image with the track as fragment.
QString UrlOfLocation(const QString& rowLocation, const tracklist::TrackSection* section) {
    if (section)
        return platform::fileUrlOf(section->file) + QStringLiteral("#track=") +
               QString::number(section->number);
    if (platform::isUrl(rowLocation))
        return rowLocation;
    return platform::fileUrlOf(tracklist::FromRowLocation(rowLocation));
}

} // namespace

MprisBridge::MprisBridge(CMainFrame& frame, CoverReader::ReadPicture readCover)
    : frame_(frame), cover_(std::move(readCover)) {
    WatchControls();
    connect(&cover_, &CoverReader::coverRead, this, [this] { NotifyChanged(); });
}

// Every value the service reports follows one of these: the marks of the
// track list (a track opened, paused, resumed, stopped), the rows, the end
// and the live title of the stream, the volume bar, the order box, the range
// of the position bar and the Play/Pause picture.
void MprisBridge::WatchControls() {
    const auto notify = [this] { NotifyChanged(); };
    tracklist::TrackRowModel* rows = &frame_.trackList()->rows();
    connect(rows, &QAbstractItemModel::dataChanged, this, notify);
    connect(rows, &QAbstractItemModel::rowsInserted, this, notify);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, notify);
    connect(rows, &QAbstractItemModel::modelReset, this, notify);
    connect(&frame_.engine(), &playback::PlaybackEngine::streamMetaChanged, this, notify);
    connect(&frame_.engine(), &playback::PlaybackEngine::streamEnded, this, notify);
    connect(frame_.volumeBar(), &QSlider::valueChanged, this, notify);
    connect(frame_.orderBox(), &QComboBox::currentIndexChanged, this, notify);
    connect(frame_.positionBar(), &QSlider::rangeChanged, this, notify);
    if (QAction* playPause = frame_.toolBar()->actions().value(0))
        connect(playPause, &QAction::changed, this, notify);
}

void MprisBridge::WatchChanges(std::function<void()> changed) {
    changed_ = std::move(changed);
}

void MprisBridge::NotifyChanged() {
    if (changed_)
        changed_();
}

void MprisBridge::Command(int id) {
    if (!QApplication::activeModalWidget())
        frame_.SendCommand(id);
}

void MprisBridge::PlayPause() {
    Command(res::ID_PLAY_PLAYPAUSE);
}

void MprisBridge::Stop() {
    Command(res::ID_PLAY_STOP);
}

void MprisBridge::Next() {
    Command(res::ID_PLAY_NEXT);
}

void MprisBridge::Previous() {
    Command(res::ID_PLAY_PREV);
}

mpris::PlaybackStatus MprisBridge::Status() const {
    const HSTREAM stream = frame_.engine().stream();
    if (stream == 0)
        return mpris::PlaybackStatus::Stopped;
    switch (BASS_ChannelIsActive(stream)) {
    case BASS_ACTIVE_PLAYING:
    case BASS_ACTIVE_STALLED: // a station waiting for data still plays
        return mpris::PlaybackStatus::Playing;
    case BASS_ACTIVE_PAUSED:
        return mpris::PlaybackStatus::Paused;
    default:
        return mpris::PlaybackStatus::Stopped;
    }
}

mpris::TrackInfo MprisBridge::Track() const {
    const HSTREAM stream = frame_.engine().stream();
    if (stream == 0)
        return {};
    mpris::TrackInfo track;
    track.id = stream;
    const QString location = frame_.engine().trackLocation();
    // The row still holds the track unless the list was filled anew.
    const int row = frame_.engine().trackRow();
    const auto section = frame_.trackList()->GetLocation(row) == location
                             ? frame_.trackList()->GetSection(row)
                             : nullptr;
    track.url = UrlOfLocation(location, section.get());
    const double seconds = frame_.engine().ExactLengthSeconds();
    if (seconds > 0)
        track.lengthUs = static_cast<qint64>(std::llround(seconds * kMicroseconds));
    if (platform::isUrl(location))
        DescribeStream(stream, track);
    else
        DescribeFile(stream, location, track);
    // The title label keeps a name's spaces as they came; a desktop widget
    // shows our text as it is.
    track.title = track.title.trimmed();
    track.album = track.album.trimmed();
    return track;
}

// A file: its tags, the name without its extension where the title tag is
// missing (read as the list shows it), and its cover picture.
void MprisBridge::DescribeFile(HSTREAM stream, const QString& location,
                               mpris::TrackInfo& track) const {
    track.title = TagOf(stream, "%TITL");
    if (track.title.isEmpty()) {
        const QString name = platform::namePart(tracklist::FromRowLocation(location));
        track.title =
            platform::readableFileName(name.left(name.size() - platform::extensionOf(name).size()));
    }
    track.artist = TagOf(stream, "%ARTI");
    track.album = TagOf(stream, "%ALBM");
    track.trackNumber = TagOf(stream, "%TRCK").toInt();
    track.artUrl = cover_.UrlFor(stream);
}

// A station or an episode: the live title the stream sends, else the row's
// name (an episode's title, a station's name); the station's own name as the
// album.
void MprisBridge::DescribeStream(HSTREAM stream, mpris::TrackInfo& track) const {
    const playback::PlaybackEngine& engine = frame_.engine();
    const tracklist::CListView& list = *frame_.trackList();
    const int row = engine.trackRow();
    const QString rowName =
        list.GetLocation(row) == engine.trackLocation() ? list.GetName(row) : QString();
    track.title = engine.LiveTitle();
    if (track.title.isEmpty())
        track.title = rowName;
    track.album = playback::StationNameOf(stream).trimmed();
    if (track.album.isEmpty() && track.lengthUs < 0)
        track.album = rowName;
}

mpris::Capabilities MprisBridge::Abilities() const {
    const bool rows = frame_.trackList()->RowCount() > 0;
    const bool open = frame_.engine().stream() != 0;
    const SeekBar* bar = frame_.positionBar();
    mpris::Capabilities can;
    can.canPlay = rows;
    can.canPause = open;
    // The position bar seeks only when it shows a thumb over a length.
    can.canSeek = open && bar->thumbVisible() && bar->maximum() > 0;
    can.canGoNext = rows && open;
    can.canGoPrevious = rows && open;
    return can;
}

qint64 MprisBridge::PositionUs() const {
    if (frame_.engine().stream() == 0)
        return 0;
    const double seconds = frame_.engine().PositionSeconds();
    return seconds > 0 ? static_cast<qint64>(std::llround(seconds * kMicroseconds)) : 0;
}

// Through the position bar, as a drag of its thumb: the bar's unit is the
// second, and its action handler does the seek.
void MprisBridge::SeekTo(qint64 positionUs) {
    SeekBar* bar = frame_.positionBar();
    const qint64 seconds = positionUs / static_cast<qint64>(kMicroseconds);
    const int target =
        static_cast<int>(std::clamp<qint64>(seconds, bar->minimum(), bar->maximum()));
    // Without tracking, moving the slider does not yet act; the one action
    // below then seeks even when the thumb already stood at the target.
    const bool tracking = bar->hasTracking();
    bar->setTracking(false);
    bar->setSliderPosition(target);
    bar->setTracking(tracking);
    bar->triggerAction(QAbstractSlider::SliderMove);
}

double MprisBridge::Volume() const {
    return static_cast<double>(frame_.VolumePosition()) / kVolumeSteps;
}

void MprisBridge::SetVolume(double volume) {
    frame_.ApplyVolume(static_cast<int>(std::lround(std::clamp(volume, 0.0, 1.0) * kVolumeSteps)));
}

// The order box: 全曲 and 1曲 do not repeat, 全曲リピート repeats the list,
// 1曲リピート the track, and ランダム plays the list in random order without end.
mpris::LoopStatus MprisBridge::Loop() const {
    switch (frame_.SelectedOrder()) {
    case playback::OrderRepeatAll:
    case playback::OrderRandom:
        return mpris::LoopStatus::Playlist;
    case playback::OrderRepeatSingle:
        return mpris::LoopStatus::Track;
    default:
        return mpris::LoopStatus::None;
    }
}

void MprisBridge::SetLoop(mpris::LoopStatus loop) {
    if (loop == Loop())
        return;
    switch (loop) {
    case mpris::LoopStatus::None:
        frame_.SelectOrder(playback::OrderOnce);
        break;
    case mpris::LoopStatus::Playlist:
        frame_.SelectOrder(playback::OrderRepeatAll);
        break;
    case mpris::LoopStatus::Track:
        frame_.SelectOrder(playback::OrderRepeatSingle);
        break;
    }
}

bool MprisBridge::Shuffle() const {
    return frame_.SelectedOrder() == playback::OrderRandom;
}

// Leaving the random order keeps the endless play it had.
void MprisBridge::SetShuffle(bool shuffle) {
    if (shuffle == Shuffle())
        return;
    frame_.SelectOrder(shuffle ? playback::OrderRandom : playback::OrderRepeatAll);
}

void MprisBridge::Raise() {
    frame_.BringToFront();
}

void MprisBridge::Quit() {
    Command(res::ID_APP_EXIT);
}

void MprisBridge::Open(const QString& location) {
    if (!QApplication::activeModalWidget())
        browser::OpenCommandLine(location, *frame_.formView(), *frame_.trackList(), frame_);
}

} // namespace app
