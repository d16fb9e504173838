#include "playback/play_navigator.h"

#include "platform/clock.h"
#include "playback/frame_link.h"
#include "playback/play_order.h"
#include "playback/playback_engine.h"
#include "res/resource_ids.h"
#include "tracklist/list_view.h"
#include "tracklist/track_marks.h"

#include <QComboBox>
#include <utility>

namespace playback {

void PlayNavigator::Attach(FrameLink* frame, tracklist::CListView* list, QComboBox* order) {
    frame_ = frame;
    list_ = list;
    orderBox_ = order;
    engine_.SetFollowingRow([this](int row) { return FollowingRow(row); });
    QObject::connect(&engine_, &PlaybackEngine::followOnStarted, &followOnWatcher_,
                     [this] { OnFollowOnStarted(); });
    WatchForFollowOnChanges();
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
    const int row = SeekRandomRow();
    if (row < 0)
        return;
    list_->SetCurrentRow(row);
    AdvanceCursor();
    frame_->SendCommand(res::ID_PLAY_PLAYPAUSE);
}

int PlayNavigator::SeekRandomRow() {
    RebuildIfStale();
    if (order_.empty())
        return -1;
    // Pass skipped rows; when a whole round finds nothing to play, stop.
    const int limit = list_->RowCount() + 1;
    int passed = 0;
    while (engine_.IsSkipped(order_.Current())) {
        if (++passed > limit)
            return -1;
        AdvanceCursor();
    }
    return order_.Current();
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

int PlayNavigator::FollowingRow(int current) const {
    if (engine_.stream() == 0)
        return -1;
    const int count = list_->RowCount();
    int row = current + 1;
    switch (Mode()) {
    case OrderRandom:
        return FollowingRandomRow();
    case OrderOnce:
        if (row >= count)
            return -1;
        break;
    case OrderRepeatAll:
        if (row >= count)
            row = 0;
        break;
    default:
        return -1;
    }
    // The stop before the open empties the current row's mark, a skip too.
    const int settled =
        engine_.SettleRow(row, +1, [&](int r) { return r != current && engine_.IsSkipped(r); });
    return settled >= 0 && settled < count ? settled : -1;
}

int PlayNavigator::FollowingRandomRow() const {
    if (!order_.IsBuiltFor(list_->RowCount(), list_->rows().generation()))
        return -1;
    const std::vector<int>& entries = order_.entries();
    for (std::size_t at = order_.cursor(); at < entries.size() && entries[at] >= 0; ++at) {
        if (!engine_.IsSkipped(entries[at]))
            return entries[at];
    }
    return -1; // the order is used up: the step reshuffles it first
}

void PlayNavigator::ScheduleFollowOn() {
    if (std::exchange(followOnScheduled_, true))
        return;
    QMetaObject::invokeMethod(
        &followOnWatcher_,
        [this] {
            followOnScheduled_ = false;
            engine_.QueueFollowOn(FollowingRow(engine_.trackRow()));
        },
        Qt::QueuedConnection);
}

void PlayNavigator::WatchForFollowOnChanges() {
    const auto changed = [this] { ScheduleFollowOn(); };
    if (orderBox_)
        QObject::connect(orderBox_, &QComboBox::currentIndexChanged, &followOnWatcher_, changed);
    const QAbstractItemModel* rows = &list_->rows();
    QObject::connect(rows, &QAbstractItemModel::dataChanged, &followOnWatcher_, changed);
    QObject::connect(rows, &QAbstractItemModel::modelReset, &followOnWatcher_, changed);
    QObject::connect(rows, &QAbstractItemModel::rowsInserted, &followOnWatcher_, changed);
    QObject::connect(rows, &QAbstractItemModel::rowsRemoved, &followOnWatcher_, changed);
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

void PlayNavigator::OnFollowOnStarted() {
    // FollowingRow is the row this step settles on; the follow-on was
    // queued for it, unless something changed since.
    const int row = FollowingRow(engine_.trackRow());
    if (engine_.IsFollowOn(row) && Mode() == OrderRandom) {
        SeekRandomRow();
        AdvanceCursor();
    }
    engine_.HandOverToFollowOn(row);
}

} // namespace playback
