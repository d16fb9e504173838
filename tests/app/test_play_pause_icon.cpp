// The Play/Pause button swaps between two pictures built once, so that track
// changes add nothing to Qt's pixmap cache and a long run stays the same size.
#include "frame_fixture.h"

#include "playback/play_order.h"
#include "res/resource_ids.h"
#include "support/fixtures.h"
#include "tracklist/list_view.h"

#include <QAction>
#include <QToolBar>

using namespace res;

TEST_F(FrameTest, ThePlayPauseButtonReusesItsTwoPicturesAtEveryTrackChange) {
    setenv("QUAVERLY_AUDIO", "null:manual", 1); // a clock nobody moves: the tracks stay open
    auto& f = create();
    for (const char* name : {"tone_1k_3s.wav", "tone_1k_3s.flac", "tone_1k_3s.ogg"})
        f.trackList()->AppendRow(QString::fromStdString(testsupport::fixture(name)), name);
    f.SelectOrder(playback::OrderRepeatAll);
    QAction* button = f.toolBar()->actions().value(0);
    ASSERT_NE(button, nullptr);
    const qint64 playPicture = button->icon().cacheKey();
    f.trackList()->SetCurrentRow(0);
    f.OnCommand(ID_PLAY_PLAYPAUSE);
    ASSERT_TRUE(f.playPauseShowsPause());
    const qint64 pausePicture = button->icon().cacheKey();
    EXPECT_NE(pausePicture, playPicture);
    for (int step = 0; step < 3; ++step) {
        f.OnCommand(ID_PLAY_NEXT); // stops (the Play picture) and opens (the Pause picture)
        ASSERT_TRUE(f.playPauseShowsPause());
        EXPECT_EQ(button->icon().cacheKey(), pausePicture) << step;
    }
    f.OnCommand(ID_PLAY_STOP);
    EXPECT_EQ(button->icon().cacheKey(), playPicture);
}
