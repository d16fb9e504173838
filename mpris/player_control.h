// What the media-player service needs from the player: the transport
// commands, the playing state and track, the position, the volume, the play
// order and the window. The service speaks D-Bus; the implementation speaks
// to the player, on the UI thread.
#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

namespace mpris {

enum class PlaybackStatus { Stopped, Playing, Paused };
enum class LoopStatus { None, Track, Playlist };

struct TrackInfo {
    quint32 id = 0;       // a new id for each stream opened; 0 while nothing is open
    QString title;        // the title tag (or the file's name), a station's live title
    QString artist;       // "" when unknown
    QString album;        // the album tag, or the station's name
    int trackNumber = 0;  // 0 when unknown
    QString artUrl;       // file:// URL of the cover picture, "" when none
    QString url;          // file:// URL of a file, or the stream's own URL
    qint64 lengthUs = -1; // -1: the stream has no length (a station)
};

struct Capabilities {
    bool canPlay = false;
    bool canPause = false;
    bool canSeek = false;
    bool canGoNext = false;
    bool canGoPrevious = false;
};

class PlayerControl {
public:
    virtual ~PlayerControl() = default;

    virtual void PlayPause() = 0;
    virtual void Stop() = 0;
    virtual void Next() = 0;
    virtual void Previous() = 0;

    virtual PlaybackStatus Status() const = 0;
    virtual TrackInfo Track() const = 0;
    virtual Capabilities Abilities() const = 0;

    virtual qint64 PositionUs() const = 0;
    virtual void SeekTo(qint64 positionUs) = 0;

    // 0.0 .. 1.0
    virtual double Volume() const = 0;
    virtual void SetVolume(double volume) = 0;

    virtual LoopStatus Loop() const = 0;
    virtual void SetLoop(LoopStatus loop) = 0;
    virtual bool Shuffle() const = 0;
    virtual void SetShuffle(bool shuffle) = 0;

    virtual void Raise() = 0;
    virtual void Quit() = 0;
    // Opens a path or a URL as the command line does.
    virtual void Open(const QString& location) = 0;

    // Calls changed whenever any of the values above may have changed; an
    // empty function stops the calls.
    virtual void WatchChanges(std::function<void()> changed) = 0;
};

} // namespace mpris
