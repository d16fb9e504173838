// The hand-over to a follow-on without the window: the end's step takes the
// playing follow-on as the current track (never through Stop or Play/Pause),
// and a step that settles elsewhere drops it and ends the track as any end.
#include "engine_fixture.h"

#include "playback/play_order.h"
#include "res/resource_ids.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "support/manual_play.h"
#include "tracklist/row_location.h"
#include "tracklist/track_marks.h"

#include <QSignalSpy>

using namespace res;

TEST_F(EngineTest, TheEndOfATrackHandsOverToItsFollowOnWhichBecomesTheTrack) {
    // On the test's clock: b.wav is queued before a.wav's first sample, c.wav
    // when b.wav is heard, long before b.wav ends; c.wav then ends on its own.
    start("null:manual");
    addRows(3);
    setOrder(playback::OrderOnce);
    struct HandOver {
        int trackRow; // the engine's track once trackOpened() told of it
        QStringList marks;
        int currentRow;
    };
    std::vector<HandOver> handOvers;
    QObject::connect(&engine, &playback::PlaybackEngine::trackOpened, [&] {
        handOvers.push_back({engine.trackRow(), marks(), list.GetCurrentRow()});
    });
    QSignalSpy ends(&engine, &playback::PlaybackEngine::streamEnded);
    QSignalSpy started(&engine, &playback::PlaybackEngine::followOnStarted);
    select(0);
    SendCommand(ID_PLAY_PLAYPAUSE);
    EXPECT_EQ(engine.followOnRow(), 1);
    // An ended track that is still the engine's: its end or hand-over is on its way.
    const auto endOnItsWay = [&] { return engine.stream() != 0 && state() == BASS_ACTIVE_STOPPED; };
    ASSERT_TRUE(
        testsupport::playManualClockUntil([&] { return engine.stream() == 0; }, endOnItsWay));

    EXPECT_EQ(started.count(), 2);
    ASSERT_EQ(handOvers.size(), 2u);
    EXPECT_EQ(handOvers[0].trackRow, 1);
    EXPECT_EQ(handOvers[0].marks, (QStringList{"", ">", ""}));
    EXPECT_EQ(handOvers[0].currentRow, 1);
    EXPECT_EQ(handOvers[1].trackRow, 2);
    EXPECT_EQ(handOvers[1].marks, (QStringList{"", "", ">"}));
    EXPECT_EQ(ends.count(), 1) << "only c.wav ends without a follow-on";
    const QString lastPlayed = settings::IniFile(QString::fromStdString(dir.file("q.ini")))
                                   .ReadString(settings::keys::LastPlayed, QString());
    EXPECT_EQ(lastPlayed, tracklist::FromRowLocation(list.GetLocation(2)));
}

TEST_F(EngineTest, AOneRowListRepeatingHandsOverToItselfWithoutPausing) {
    // The follow-on of the only row is that row again: a Play/Pause on the
    // playing track's row would pause it, the hand-over plays it on.
    start("null:fast");
    addRows(1);
    setOrder(playback::OrderRepeatAll);
    QSignalSpy tookOver(&engine, &playback::PlaybackEngine::trackOpened);
    select(0);
    SendCommand(ID_PLAY_PLAYPAUSE);
    ASSERT_TRUE(waitFor([&] { return tookOver.count() >= 3; }));
    EXPECT_NE(engine.stream(), 0u);
    EXPECT_NE(state(), static_cast<DWORD>(BASS_ACTIVE_PAUSED));
    EXPECT_EQ(marks(), QStringList{">"});
    SendCommand(ID_PLAY_STOP);
    EXPECT_EQ(engine.followOnRow(), -1) << "Stop drops the next follow-on too";
}

TEST_F(EngineTest, AStepThatSettlesElsewhereDropsTheFollowOnAndEndsTheTrack) {
    // The step is asked while the queued follow-on (row 1) waits: what the
    // end of a.wav would do had the change come in its last moment.
    struct Case {
        const char* name;
        std::function<void()> change;
        bool playsOn; // the end's ordinary step opens a row
        int trackRow;
    };
    const std::vector<Case> cases = {
        {"the next row skipped", [this] { list.SetMark(1, tracklist::MarkSkip); }, true, 2},
        {"a single-track order", [this] { setOrder(playback::OrderSingle); }, false, -1},
    };
    start("null");
    addRows(3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setOrder(playback::OrderOnce);
        for (int row = 0; row < 3; ++row)
            list.SetMark(row, tracklist::MarkNone);
        select(0);
        SendCommand(ID_PLAY_PLAYPAUSE);
        QCoreApplication::processEvents();
        ASSERT_EQ(engine.followOnRow(), 1);
        QSignalSpy ends(&engine, &playback::PlaybackEngine::streamEnded);
        QSignalSpy tookOver(&engine, &playback::PlaybackEngine::trackOpened);
        c.change();
        navigator.OnFollowOnStarted(); // before the change's own reaction runs

        EXPECT_EQ(ends.count(), 1);
        EXPECT_EQ(tookOver.count(), 0);
        EXPECT_EQ(engine.stream() != 0, c.playsOn);
        if (c.playsOn) {
            EXPECT_EQ(engine.trackRow(), c.trackRow);
        }
        EXPECT_NE(engine.followOnRow(), 1) << "the dropped follow-on is not kept";
        SendCommand(ID_PLAY_STOP);
    }
}

TEST_F(EngineTest, AHandOverAskedForAnotherRowOrNoneDropsTheFollowOn) {
    // The engine alone: nothing steps on the end it tells of.
    QObject::disconnect(&engine, &playback::PlaybackEngine::streamEnded, nullptr, nullptr);
    start("null");
    addRows(3);
    setOrder(playback::OrderOnce);
    for (const int row : {-1, 0, 2}) {
        SCOPED_TRACE(row);
        select(0);
        SendCommand(ID_PLAY_PLAYPAUSE);
        QCoreApplication::processEvents();
        const HSTREAM playing = engine.stream();
        ASSERT_EQ(engine.followOnRow(), 1);
        EXPECT_FALSE(engine.IsFollowOn(row));
        EXPECT_TRUE(engine.IsFollowOn(1));
        QSignalSpy ends(&engine, &playback::PlaybackEngine::streamEnded);
        engine.HandOverToFollowOn(row);
        EXPECT_EQ(engine.followOnRow(), -1);
        EXPECT_EQ(ends.count(), 1);
        EXPECT_EQ(engine.stream(), playing) << "the track itself is left to the end's step";
        EXPECT_EQ(engine.trackRow(), 0);
        SendCommand(ID_PLAY_STOP);
    }
}

TEST_F(EngineTest, AFollowOnWhoseRowNowHoldsAnotherLocationIsNotTaken) {
    start("null");
    addRows(3);
    setOrder(playback::OrderOnce);
    select(0);
    SendCommand(ID_PLAY_PLAYPAUSE);
    QCoreApplication::processEvents();
    ASSERT_EQ(engine.followOnRow(), 1);
    // The rows are refilled in one go: row 1 is now another file.
    list.ClearRows();
    addRows(1);
    addRow("d.wav");
    EXPECT_FALSE(engine.IsFollowOn(1));
}
