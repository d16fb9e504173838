// The media-player service's view of the main frame: D-Bus commands become
// the frame's own commands, and the values come from its controls and its
// engine, so the window, the marks and the settings follow as if the toolbar
// had been used.
#pragma once

#include "app/cover_reader.h"
#include "audio/api/bass.h"
#include "mpris/player_control.h"

#include <QObject>

namespace app {

class CMainFrame;

class MprisBridge : public QObject, public mpris::PlayerControl {
    Q_OBJECT
public:
    // readCover gives a stream's picture on a worker thread.
    explicit MprisBridge(CMainFrame& frame,
                         CoverReader::ReadPicture readCover = CoverReader::EmbeddedPicture);

    void PlayPause() override;
    void Stop() override;
    void Next() override;
    void Previous() override;

    mpris::PlaybackStatus Status() const override;
    // The cover is asked for here and read meanwhile; its arrival is
    // announced as a change.
    mpris::TrackInfo Track() const override;
    mpris::Capabilities Abilities() const override;

    qint64 PositionUs() const override;
    void SeekTo(qint64 positionUs) override;

    double Volume() const override;
    void SetVolume(double volume) override;

    mpris::LoopStatus Loop() const override;
    void SetLoop(mpris::LoopStatus loop) override;
    bool Shuffle() const override;
    void SetShuffle(bool shuffle) override;

    void Raise() override;
    void Quit() override;
    void Open(const QString& location) override;

    void WatchChanges(std::function<void()> changed) override;

private:
    void WatchControls();
    void DescribeFile(HSTREAM stream, const QString& location, mpris::TrackInfo& track) const;
    void DescribeStream(HSTREAM stream, mpris::TrackInfo& track) const;
    void NotifyChanged();
    // Commands wait while a modal window is open, as the toolbar does.
    void Command(int id);

    CMainFrame& frame_;
    std::function<void()> changed_;
    // Asked while the values are described: a cache of the playing file's cover.
    mutable CoverReader cover_;
};

} // namespace app
