// The engine's and the navigator's decisions without the window: which row
// plays, the marks, skipped-row walks, Next and Previous per play order, the
// end-of-track chain and the random order, on the null outputs.
#include "engine_fixture.h"

#include "playback/play_order.h"
#include "res/resource_ids.h"
#include "tracklist/track_marks.h"

#include <QSignalSpy>
#include <set>

using namespace res;
using tracklist::MarkSkip;

TEST_F(EngineTest, ASecondRowWithTheSameLocationCountsAsTheSameTrack) {
    start("null");
    addRows(1);
    addRow("a.wav");
    select(0);
    SendCommand(ID_PLAY_PLAYPAUSE);
    select(1);
    SendCommand(ID_PLAY_PLAYPAUSE);
    EXPECT_EQ(state(), static_cast<DWORD>(BASS_ACTIVE_PAUSED));
    EXPECT_EQ(marks(), (QStringList{"<", ""}));
}

TEST_F(EngineTest, AnotherRowStopsTheOldTrackAndOpensTheNewOne) {
    start("null");
    addRows(3);
    select(0);
    SendCommand(ID_PLAY_PLAYPAUSE);
    const HSTREAM first = engine.stream();
    select(2);
    SendCommand(ID_PLAY_PLAYPAUSE);
    EXPECT_NE(engine.stream(), first);
    EXPECT_EQ(BASS_ChannelIsActive(first), 0u) << "the old stream was freed";
    EXPECT_EQ(marks(), (QStringList{"", "", ">"}));
    EXPECT_EQ(engine.trackRow(), 2);
}

TEST_F(EngineTest, WithNoCurrentRowPlayPauseOpensTheLastRow) {
    start("null");
    addRows(3);
    select(-1);
    SendCommand(ID_PLAY_PLAYPAUSE);
    EXPECT_EQ(engine.trackRow(), 2);
}

TEST_F(EngineTest, SkippedRowsArePassedForwardAndAfterPreviousBackward) {
    start("null");
    addRows(4);
    list.SetMark(1, MarkSkip);
    list.SetMark(2, MarkSkip);
    select(1);
    SendCommand(ID_PLAY_PLAYPAUSE);
    EXPECT_EQ(engine.trackRow(), 3);
    EXPECT_EQ(marks(), (QStringList{"", "-", "-", ">"}));
    SendCommand(ID_PLAY_PREV);
    EXPECT_EQ(engine.trackRow(), 0) << "rows 2 and 1 passed backward";
    EXPECT_EQ(marks(), (QStringList{">", "-", "-", ""}));
    EXPECT_EQ(engine.stepDirection(), 0);
}

TEST_F(EngineTest, NextAndPreviousWrapByPlayOrder) {
    start("null");
    addRows(3);
    setOrder(playback::OrderRepeatAll);
    select(2);
    SendCommand(ID_PLAY_PLAYPAUSE);
    SendCommand(ID_PLAY_NEXT);
    EXPECT_EQ(engine.trackRow(), 0);
    SendCommand(ID_PLAY_PREV);
    EXPECT_EQ(engine.trackRow(), 2) << "Previous wraps to the last row";
    setOrder(playback::OrderOnce);
    SendCommand(ID_PLAY_NEXT);
    EXPECT_EQ(engine.stream(), 0u) << "Next after the last row stops in OrderOnce";
    EXPECT_EQ(marks(), (QStringList{"", "", ""}));
}

TEST_F(EngineTest, NextInAOneRowListPausesItInTheRepeatAndSingleOrders) {
    start("null");
    addRows(1);
    for (int order :
         {playback::OrderRepeatAll, playback::OrderSingle, playback::OrderRepeatSingle}) {
        setOrder(order);
        select(0);
        SendCommand(ID_PLAY_STOP);
        SendCommand(ID_PLAY_PLAYPAUSE);
        SendCommand(ID_PLAY_NEXT);
        EXPECT_EQ(state(), static_cast<DWORD>(BASS_ACTIVE_PAUSED)) << order;
    }
}

TEST_F(EngineTest, SkipFlipsEachSelectedRow) {
    start("null");
    addRows(3);
    select(1);
    SendCommand(ID_PLAY_PLAYPAUSE);
    list.SetMark(0, MarkSkip);
    list.selectAll();
    SendCommand(ID_PLAY_SKIP);
    EXPECT_EQ(marks(), (QStringList{"", "-", "-"}));
    EXPECT_EQ(state(), static_cast<DWORD>(BASS_ACTIVE_PLAYING))
        << "the skipped playing row goes on playing";
}

// The end of a track per play order, from row 0 of a list of rows a, b, ...
TEST_F(EngineTest, TheEndOfATrackStepsByPlayOrder) {
    struct Case {
        int order;
        int rows;
        int endsToWaitFor;
        bool stopped; // nothing plays afterwards
        int trackRow; // -1: any
    };
    const Case cases[] = {
        {playback::OrderOnce, 4, 4, true, -1}, // through the list once
        {playback::OrderRepeatAll, 2, 5, false, -1},
        {playback::OrderSingle, 3, 1, true, -1},
        {playback::OrderRepeatSingle, 3, 3, false, 0},
        {playback::OrderNone, 2, 1, false, 0}, // no order: nothing is done
    };
    start("null:fast");
    for (const Case& c : cases) {
        list.ClearRows();
        addRows(c.rows);
        setOrder(c.order);
        // A track ends on its own or hands over to its follow-on.
        QSignalSpy ends(&engine, &playback::PlaybackEngine::streamEnded);
        QSignalSpy handOvers(&engine, &playback::PlaybackEngine::followOnStarted);
        select(0);
        SendCommand(ID_PLAY_PLAYPAUSE);
        ASSERT_TRUE(waitFor([&] { return ends.count() + handOvers.count() >= c.endsToWaitFor; }))
            << c.order;
        if (c.stopped) {
            ASSERT_TRUE(waitFor([&] { return engine.stream() == 0; })) << c.order;
        } else {
            EXPECT_NE(engine.stream(), 0u) << c.order;
        }
        if (c.trackRow >= 0) {
            EXPECT_EQ(engine.trackRow(), c.trackRow) << c.order;
        }
        SendCommand(ID_PLAY_STOP);
        QCoreApplication::processEvents();
        EXPECT_EQ(marks(), QStringList(c.rows, QString())) << c.order;
    }
}

TEST_F(EngineTest, RandomOrderPlaysEveryRowOncePerRound) {
    start("null:fast");
    addRows(5);
    setOrder(playback::OrderRandom);
    TrackListFilled();
    // Connected after the navigator, so this sees the row each end step
    // started, whether it opened a row or took over the follow-on.
    std::vector<int> started;
    const auto record = [&] { started.push_back(engine.trackRow()); };
    QObject::connect(&engine, &playback::PlaybackEngine::streamEnded, record);
    QObject::connect(&engine, &playback::PlaybackEngine::trackOpened, record);
    select(0);
    SendCommand(ID_PLAY_NEXT); // nothing open yet: no step
    EXPECT_EQ(engine.stream(), 0u);
    SendCommand(ID_PLAY_PLAYPAUSE);
    ASSERT_TRUE(waitFor([&] { return started.size() >= 10; }));
    SendCommand(ID_PLAY_STOP);
    const std::set<int> first(started.begin(), started.begin() + 5);
    const std::set<int> second(started.begin() + 5, started.begin() + 10);
    EXPECT_EQ(first.size(), 5u) << ::testing::PrintToString(started);
    EXPECT_EQ(second.size(), 5u) << ::testing::PrintToString(started);
}

TEST_F(EngineTest, ARandomStepPassesSkippedRowsAndFollowsANewList) {
    start("null");
    addRows(3);
    select(0);
    SendCommand(ID_PLAY_PLAYPAUSE);
    for (int row = 0; row < 3; ++row)
        list.SetMark(row, MarkSkip);
    setOrder(playback::OrderRandom);
    const HSTREAM playing = engine.stream();
    SendCommand(ID_PLAY_NEXT);
    EXPECT_EQ(engine.stream(), playing) << "every row skipped: nothing new plays";

    TrackListFilled();
    list.ClearRows(); // a radio-style refill sends no filled message
    addRows(2);
    select(0);
    SendCommand(ID_PLAY_PLAYPAUSE);
    SendCommand(ID_PLAY_NEXT);
    EXPECT_LT(engine.trackRow(), 2);
    EXPECT_EQ(navigator.randomOrder().entries().size(), 3u) << "rebuilt for the two rows";
}

TEST_F(EngineTest, OpenStopNextCyclesLeaveNothingBehind) {
    start("null:fast");
    addRows(3);
    setOrder(playback::OrderRepeatAll);
    // Each row starts a cycle several times over; on the fast output a
    // track's end can come between any two of the commands.
    for (int cycle = 0; cycle < 20; ++cycle) {
        select(cycle % 3);
        SendCommand(ID_PLAY_PLAYPAUSE);
        SendCommand(ID_PLAY_NEXT);
        SendCommand(ID_PLAY_STOP);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(engine.stream(), 0u);
    EXPECT_EQ(marks(), (QStringList{"", "", ""}));
}
