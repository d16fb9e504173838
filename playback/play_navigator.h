// Chooses the row that plays next: Next and Previous, the end of a track per
// play order, the random order and the skip marks. Every step makes a row the
// track list's current row and sends Play/Pause to the frame. It also keeps
// the engine's follow-on (gapless track changes) on the row the end of the
// current track will step to, as marks, order and rows change.
#pragma once

#include "playback/random_order.h"

#include <QObject>

class QComboBox;
namespace tracklist {
class CListView;
}

namespace playback {

class FrameLink;
class PlaybackEngine;

class PlayNavigator {
public:
    explicit PlayNavigator(PlaybackEngine& engine) : engine_(engine) {}
    void Attach(FrameLink* frame, tracklist::CListView* list, QComboBox* order);

    void NextTrack();
    void PreviousTrack();
    void RandomStep();
    void AdvanceCursor();
    void BuildRandomOrder();
    void ToggleSkip();
    // Reacts to the end of the current stream per play order.
    void OnStreamEnd();
    // The end of the current stream whose follow-on the mixer has started:
    // the same step, which hands over to the follow-on when it settles on
    // its row (the engine's followOnStarted(), connected by Attach).
    void OnFollowOnStarted();
    // The row the end of the track at `row` steps to, as OnStreamEnd would
    // choose it now; -1 when the end does not go on to a row whose choice is
    // known ahead (a single-track order, the list's end, a random order due
    // to be reshuffled).
    int FollowingRow(int row) const;

    const RandomOrder& randomOrder() const { return order_; }

private:
    int Mode() const;
    void PlayRow(int row);
    void RebuildIfStale();
    int FollowingRandomRow() const;
    // Moves the random order's cursor past skipped rows to the row the next
    // random step plays; -1 when none (the cursor then stays where it got).
    int SeekRandomRow();
    // Queues the engine's follow-on once the current event is handled: the
    // changes that move it come in bursts (a list refill, a track change).
    void ScheduleFollowOn();
    void WatchForFollowOnChanges();

    PlaybackEngine& engine_;
    FrameLink* frame_ = nullptr;
    tracklist::CListView* list_ = nullptr;
    QComboBox* orderBox_ = nullptr;
    RandomOrder order_;
    QObject followOnWatcher_; // context of the connections, gone with them
    bool followOnScheduled_ = false;
};

} // namespace playback
