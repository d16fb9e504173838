// Chooses the row that plays next: Next and Previous, the end of a track per
// play order, the random order and the skip marks. Every step makes a row the
// track list's current row and sends Play/Pause to the frame.
#pragma once

#include "playback/random_order.h"

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

    const RandomOrder& randomOrder() const { return order_; }

private:
    int Mode() const;
    void PlayRow(int row);
    void RebuildIfStale();

    PlaybackEngine& engine_;
    FrameLink* frame_ = nullptr;
    tracklist::CListView* list_ = nullptr;
    QComboBox* orderBox_ = nullptr;
    RandomOrder order_;
};

} // namespace playback
