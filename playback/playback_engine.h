// PlaybackEngine: the output device, the one current stream and the
// transport. It opens track rows, marks their state in the track list and
// reacts to the stream's syncs on the UI thread.
#pragma once

#include "audio/api/bass.h"
#include "platform/background_work.h"
#include "playback/sync_context.h"

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <vector>

class QComboBox;
class QLabel;
namespace tracklist {
class CListView;
struct TrackSection;
} // namespace tracklist
namespace settings {
class IniFile;
}

namespace playback {

class FrameLink;

enum class DeviceStart { Ok, InitFailed };

// Answers of TogglePlayPause.
inline constexpr int kOpened = 1;
inline constexpr int kResumed = 2;
inline constexpr int kPaused = 3;
inline constexpr int kNothingStarted = -1;

// The effects on one stream: the seven equalizer bands, the compressor and
// the reverb (0 where the effect is off).
struct EffectSlots {
    std::array<HFX, 7> eq{};
    HFX compressor = 0;
    HFX reverb = 0;
};

class PlaybackEngine : public QObject {
    Q_OBJECT
public:
    PlaybackEngine();
    ~PlaybackEngine() override;
    PlaybackEngine(const PlaybackEngine&) = delete;
    PlaybackEngine& operator=(const PlaybackEngine&) = delete;

    // Hands over the frame's controls once they exist.
    void Attach(FrameLink* owner, QLabel* title, QComboBox* order, tracklist::CListView* list,
                const QString& iniPath);

    DeviceStart StartDevice();
    void FreeDevice();

    // Opens and plays the row (walking past skipped rows). A file opens at
    // once; a network stream is connected to in the background: the engine
    // is then connecting (IsConnecting), and trackOpened() or connectionEnded()
    // follows unless the connection is cancelled first (Stop, another open).
    bool OpenAndPlay(int row);
    // A network stream is being connected to for connectingRow().
    bool IsConnecting() const { return connecting_.row >= 0; }
    int connectingRow() const { return connecting_.row; }
    // A stream is open or being connected to: Stop, Next and Previous act.
    bool HasTrack() const { return stream_ != 0 || IsConnecting(); }
    bool Play(int row);
    void Pause();
    void Stop();
    int TogglePlayPause();
    // The current stream's length in whole seconds (truncated), -1 without one.
    int LengthSeconds() const;
    // The current stream's length and position in seconds; negative when
    // there is no stream or it has no length (a station).
    double ExactLengthSeconds() const;
    double PositionSeconds() const;
    void SeekToSecond(int seconds);
    bool IsSkipped(int row) const;
    // The row OpenAndPlay(row) settles on: rows that skipped() names are
    // passed in the direction of step, and the end of the list wraps to the
    // first row, or gives kListEnded when the order plays the list once.
    static constexpr int kListEnded = -2;
    int SettleRow(int row, int step, const std::function<bool(int)>& skipped) const;

    // Gapless track changes: opens the row and queues it to start in the
    // mix block where the current stream ends, its effects applied. A
    // queued row is kept while it is still the one asked for; -1, a station
    // or a row that does not open leaves nothing queued.
    void QueueFollowOn(int row);
    // Tells which row follows a given row when its track ends (-1: none);
    // OpenAndPlay queues that row before the new track's first sample.
    void SetFollowingRow(std::function<int(int row)> following) {
        followingRow_ = std::move(following);
    }
    // The row of the queued follow-on, or -1.
    int followOnRow() const { return next_.row; }
    // The queued follow-on is row `row` and still its location.
    bool IsFollowOn(int row) const;
    // The end of the current stream, whose follow-on the mixer has started
    // (followOnStarted()), steps to `row`: the follow-on becomes the current
    // track when it is that row (marks, title, play log, _LastPlayed, the
    // next follow-on) and trackOpened() follows. Otherwise (the order or the
    // rows changed at the last moment) the follow-on is dropped and
    // streamEnded() tells of the end as of any end without one.
    void HandOverToFollowOn(int row);

    // Rebuilds the effect chain of the current stream from the settings.
    void ApplyDsp();
    // Shows the title of the newly opened stream from its tags and length.
    void ShowTrackTitle();

    HSTREAM stream() const { return stream_; }
    // The title the engine last showed for the open stream (its tag title or
    // live title); empty while no stream is open.
    const QString& playingTitle() const { return playingTitle_; }
    // The title the open stream's metadata gives now: a station's
    // StreamTitle, else the Artist - Album - Title of its Ogg comments;
    // empty without either.
    QString LiveTitle() const;
    int trackRow() const { return trackRow_; }
    const QString& trackLocation() const { return trackLocation_; }
    int stepDirection() const { return stepDirection_; }
    void setStepDirection(int direction) { stepDirection_ = direction; }
    int PlayOrder() const;
    // The effect slots: the seven bands, the compressor and the reverb.
    const std::array<HFX, 7>& eqEffects() const { return effects_.eq; }
    HFX compressorEffect() const { return effects_.compressor; }
    HFX reverbEffect() const { return effects_.reverb; }

    // Called from the sync thread; queue the work to the UI thread.
    void QueueStreamEnd(HSTREAM stream);
    void QueueStreamMeta(HSTREAM stream);
    // The mixer started `next` where `ended` ended.
    void QueueFollowOnStarted(HSTREAM ended, HSTREAM next);

signals:
    // Emitted on the UI thread for the current stream only. A stream whose
    // follow-on takes over ends with followOnStarted() instead.
    void streamEnded();
    void streamMetaChanged();
    // The mixer started the queued follow-on where the current stream ended
    // (its first sample is heard); the end's step answers with
    // HandOverToFollowOn.
    void followOnStarted();
    // A track opened outside a Play/Pause command plays: a connection
    // started by OpenAndPlay answered, or a follow-on took over.
    void trackOpened();
    // A connection started by OpenAndPlay ended without a playing track: it
    // failed (its message was shown), or its row was gone when it answered.
    void connectionEnded();

private:
    struct FollowOn {
        HSTREAM stream = 0;
        int row = -1;
        QString location;
        EffectSlots effects;
    };

    struct Connection {
        int row = -1;
        QString location;
        platform::CancelToken token;
    };
    struct ConnectResult {
        HSTREAM stream = 0;
        int error = 0;
    };

    bool OpenStream(const QString& location, const tracklist::TrackSection* section);
    // What follows a successful open of row n: effects, title, syncs, the
    // queued follow-on, play, marks and _LastPlayed.
    bool StartOpened(int n, const QString& location, bool followed);
    void ShowOpenFailure();
    void Connect(int n, const QString& location);
    static ConnectResult ConnectTo(const QString& location, const platform::CancelToken& token);
    void FinishConnect(ConnectResult result);
    void CancelConnection();
    // A row's stream: the URL, the file, or for a cue sheet's track the part
    // of its image (section).
    static HSTREAM OpenLocation(const QString& location, const tracklist::TrackSection* section);
    void SetSyncs(HSTREAM stream);
    void HandleStreamEnd(HSTREAM stream);
    void HandleStreamMeta(HSTREAM stream);
    void OnStreamMeta();
    void ApplyDspTo(HSTREAM stream, EffectSlots& effects, const settings::IniFile& ini);
    // Frees the queued follow-on; one the mixer has started already stays
    // unless evenIfStarted (it then plays on to its own END).
    void DropFollowOn(bool evenIfStarted);
    void HandleFollowOnStarted(HSTREAM ended, HSTREAM next);
    // Stops and frees the current stream and empties its row's mark.
    void FreeCurrentStream();
    void ShowTitle(const QString& text);

    FrameLink* owner_ = nullptr;
    QLabel* titleDisplay_ = nullptr;
    QComboBox* orderSelector_ = nullptr;
    tracklist::CListView* trackList_ = nullptr;
    HSTREAM stream_ = 0;
    EffectSlots effects_;
    FollowOn next_;
    Connection connecting_;
    std::function<int(int row)> followingRow_;
    int trackRow_ = -1;
    QString trackLocation_;
    QString playingTitle_;
    int stepDirection_ = 0;
    QString iniPath_;
};

} // namespace playback
