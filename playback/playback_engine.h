// PlaybackEngine: the output device, the one current stream and the
// transport. It opens track rows, marks their state in the track list and
// reacts to the stream's syncs on the UI thread.
#pragma once

#include "audio/bass.h"
#include "playback/sync_context.h"

#include <QObject>
#include <QString>
#include <array>
#include <vector>

class QComboBox;
class QLabel;
namespace tracklist {
class CListView;
}

namespace playback {

class FrameLink;

enum class DeviceStart { Ok, InitFailed, DirectX8Missing };

// Answers of TogglePlayPause.
inline constexpr int kOpened = 1;
inline constexpr int kResumed = 2;
inline constexpr int kPaused = 3;
inline constexpr int kNothingStarted = -1;

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

    bool OpenAndPlay(int row);
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

    // Rebuilds the effect chain of the current stream from the settings.
    void ApplyDsp();
    // Shows the title of the newly opened stream from its tags and length.
    void ShowTrackTitle();

    HSTREAM stream() const { return stream_; }
    int trackRow() const { return trackRow_; }
    const QString& trackLocation() const { return trackLocation_; }
    int stepDirection() const { return stepDirection_; }
    void setStepDirection(int direction) { stepDirection_ = direction; }
    int PlayOrder() const;
    // The effect slots: the seven bands, the compressor and the reverb.
    const std::array<HFX, 7>& eqEffects() const { return eqEffects_; }
    HFX compressorEffect() const { return compressorEffect_; }
    HFX reverbEffect() const { return reverbEffect_; }

    // Called from the sync thread; queue the work to the UI thread.
    void QueueStreamEnd(HSTREAM stream);
    void QueueStreamMeta(HSTREAM stream);

signals:
    // Emitted on the UI thread for the current stream only.
    void streamEnded();
    void streamMetaChanged();

private:
    bool OpenStream(const QString& location);
    void SetSyncs();
    void HandleStreamEnd(HSTREAM stream);
    void HandleStreamMeta(HSTREAM stream);
    void OnStreamMeta();

    FrameLink* owner_ = nullptr;
    QLabel* titleDisplay_ = nullptr;
    QComboBox* orderSelector_ = nullptr;
    tracklist::CListView* trackList_ = nullptr;
    HSTREAM stream_ = 0;
    std::array<HFX, 7> eqEffects_{};
    HFX compressorEffect_ = 0;
    HFX reverbEffect_ = 0;
    int trackRow_ = -1;
    QString trackLocation_;
    int stepDirection_ = 0;
    QString iniPath_;
};

} // namespace playback
