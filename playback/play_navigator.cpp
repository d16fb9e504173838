#include "playback/play_navigator.h"

#include "platform/clock.h"
#include "playback/frame_link.h"
#include "playback/play_order.h"
#include "playback/playback_engine.h"
#include "res/resource_ids.h"
#include "tracklist/list_view.h"
#include "tracklist/track_marks.h"

#include <QComboBox>

namespace playback {

void PlayNavigator::Attach(FrameLink* frame, tracklist::CListView* list, QComboBox* order) {
    frame_ = frame;
    list_ = list;
    orderBox_ = order;
}

int PlayNavigator::Mode() const {
    return orderBox_ ? orderBox_->currentIndex() : OrderNone;
}

void PlayNavigator::PlayRow(int row) {
    list_->SetCurrentRow(row);
    frame_->SendCommand(res::ID_PLAY_PLAYPAUSE);
}

void PlayNavigator::NextTrack() {
    if (Mode() == OrderRandom) {
        RandomStep();
        return;
    }
    engine_.setStepDirection(+1);
    int next = engine_.trackRow() + 1;
    if (next >= list_->RowCount()) {
        if (Mode() == OrderOnce) {
            frame_->SendCommand(res::ID_PLAY_STOP);
            return;
        }
        next = 0;
    }
    PlayRow(next);
}

void PlayNavigator::PreviousTrack() {
    if (Mode() == OrderRandom) {
        RandomStep();
        return;
    }
    engine_.setStepDirection(-1);
    int previous = engine_.trackRow() - 1;
    if (previous < 0 || previous >= list_->RowCount())
        previous = list_->RowCount() - 1;
    PlayRow(previous);
}

void PlayNavigator::RebuildIfStale() {
    if (!order_.IsBuiltFor(list_->RowCount(), list_->rows().generation()))
        BuildRandomOrder();
}

void PlayNavigator::RandomStep() {
    RebuildIfStale();
    if (order_.empty())
        return;
    // Pass skipped rows; when a whole round finds nothing to play, stop.
    const int limit = list_->RowCount() + 1;
    int passed = 0;
    while (engine_.IsSkipped(order_.Current())) {
        if (++passed > limit)
            return;
        AdvanceCursor();
    }
    const int row = order_.Current();
    list_->SetCurrentRow(row);
    AdvanceCursor();
    frame_->SendCommand(res::ID_PLAY_PLAYPAUSE);
}

void PlayNavigator::AdvanceCursor() {
    if (order_.Advance())
        return;
    frame_->TrackListFilled();
    order_.Rewind();
}

void PlayNavigator::BuildRandomOrder() {
    order_.Build(list_->RowCount(), platform::millisecondClock(), list_->rows().generation());
}

void PlayNavigator::ToggleSkip() {
    for (int row : list_->SelectedRows()) {
        const bool skipped = list_->GetMark(row) == tracklist::MarkSkip;
        list_->SetMark(row, skipped ? tracklist::MarkNone : tracklist::MarkSkip);
    }
}

void PlayNavigator::OnStreamEnd() {
    switch (Mode()) {
    case OrderOnce:
    case OrderRepeatAll:
    case OrderRandom:
        frame_->SendCommand(res::ID_PLAY_NEXT);
        break;
    case OrderSingle:
        frame_->SendCommand(res::ID_PLAY_STOP);
        break;
    case OrderRepeatSingle:
        frame_->SendCommand(res::ID_PLAY_PLAYPAUSE);
        break;
    default:
        break;
    }
}

} // namespace playback
