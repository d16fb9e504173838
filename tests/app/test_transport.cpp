// The transport's display: what the frame shows after Play/Pause, Stop and a
// failed open (the position bar, the Play/Pause picture, the timer, the
// title), the double-click and the position bar's seeking and tooltip, with
// the real engine on the null output. The engine's own decisions are tested
// in tests/playback without the window.
#include "frame_fixture.h"

#include "app/seek_bar.h"
#include "platform/message_box.h"
#include "playback/play_order.h"
#include "res/resource_ids.h"
#include "settings/ini_file.h"
#include "support/fixtures.h"
#include "tracklist/list_view.h"
#include "tracklist/track_marks.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

using namespace res;
using tracklist::MarkSkip;

namespace {

// A WAV of silence (8 kHz, mono, 16-bit) of any length, written sparse: the
// header, then a hole that reads as zero samples, so hours cost no disk.
void WriteSilentWav(const std::string& path, uint32_t seconds) {
    const uint32_t rate = 8000;
    const uint32_t dataBytes = seconds * rate * 2;
    QByteArray header;
    const auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            header.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    const auto put16 = [&](uint16_t v) {
        header.append(static_cast<char>(v & 0xFF)).append(static_cast<char>(v >> 8));
    };
    header.append("RIFF");
    put32(36 + dataBytes);
    header.append("WAVEfmt ");
    put32(16);
    put16(1); // PCM
    put16(1); // mono
    put32(rate);
    put32(rate * 2);
    put16(2);
    put16(16);
    header.append("data");
    put32(dataBytes);
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(header), header.size());
    ASSERT_TRUE(file.resize(header.size() + qint64(dataBytes)));
}

} // namespace

class TransportTest : public FrameTest {
protected:
    // Rows named a.wav, b.wav ... each a copy of a 3-second tone.
    app::CMainFrame& createWithRows(int count, const char* audio = "null:fast") {
        setenv("QUAVERLY_AUDIO", audio, 1);
        auto& f = create();
        for (int i = 0; i < count; ++i)
            addRow(f, std::string(1, static_cast<char>('a' + i)) + ".wav");
        QCoreApplication::processEvents();
        return f;
    }
    void addRow(app::CMainFrame& f, const std::string& name,
                const std::string& source = "tone_1k_3s.wav") {
        const std::string path = dir.file(name);
        if (!std::filesystem::exists(path))
            std::filesystem::copy_file(testsupport::fixture(source), path);
        f.trackList()->AppendRow(QString::fromStdString(path), QString::fromStdString(name));
    }
    QStringList marks() const {
        QStringList result;
        for (int row = 0; row < frame->trackList()->RowCount(); ++row)
            result.append(frame->trackList()->GetMark(row));
        return result;
    }
    void select(int row) { frame->trackList()->SetCurrentRow(row); }
    void setOrder(int order) { frame->orderBox()->setCurrentIndex(order); }
};

TEST_F(TransportTest, PlayPauseOpensPausesAndResumesTheSameTrack) {
    auto& f = createWithRows(2, "null:manual");
    select(1);
    f.OnCommand(ID_PLAY_PLAYPAUSE);
    ASSERT_NE(f.engine().stream(), 0u);
    EXPECT_TRUE(f.positionBar()->thumbVisible());
    EXPECT_EQ(f.positionBar()->maximum(), 3);
    EXPECT_EQ(f.positionBar()->value(), 0);
    EXPECT_TRUE(f.playPauseShowsPause());
    EXPECT_TRUE(f.positionTimerActive());
    EXPECT_EQ(marks(), (QStringList{"", ">"}));
    EXPECT_EQ(f.titleLabel()->text(), "Artist - Album (1999) #3 Title (0:03)");
    EXPECT_EQ(settings::IniFile(iniPath()).ReadString("_LastPlayed", ""),
              QString::fromStdString(dir.file("b.wav")));

    f.OnCommand(ID_PLAY_PLAYPAUSE);
    EXPECT_EQ(BASS_ChannelIsActive(f.engine().stream()), static_cast<DWORD>(BASS_ACTIVE_PAUSED));
    EXPECT_EQ(marks(), (QStringList{"", "<"}));
    EXPECT_FALSE(f.playPauseShowsPause());
    EXPECT_TRUE(f.positionTimerActive()) << "the timer keeps running while paused";

    const HSTREAM paused = f.engine().stream();
    f.OnCommand(ID_PLAY_PLAYPAUSE);
    EXPECT_EQ(f.engine().stream(), paused) << "resumed, not reopened";
    EXPECT_EQ(BASS_ChannelIsActive(paused), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
    EXPECT_EQ(marks(), (QStringList{"", ">"}));
    EXPECT_TRUE(f.playPauseShowsPause());
}

TEST_F(TransportTest, StopEmptiesTheTitleAndReturnsToIdle) {
    auto& f = createWithRows(1, "null:manual");
    f.titleLabel()->setText("kept");
    f.OnCommand(ID_PLAY_STOP); // nothing open: nothing changes
    EXPECT_EQ(f.titleLabel()->text(), "kept");
    select(0);
    f.OnCommand(ID_PLAY_PLAYPAUSE);
    f.OnCommand(ID_PLAY_STOP);
    EXPECT_EQ(f.engine().stream(), 0u);
    EXPECT_EQ(f.titleLabel()->text(), "");
    EXPECT_FALSE(f.positionBar()->thumbVisible());
    EXPECT_EQ(f.positionBar()->value(), 0);
    EXPECT_FALSE(f.playPauseShowsPause());
    EXPECT_FALSE(f.positionTimerActive());
    EXPECT_EQ(marks(), QStringList{""});
}

TEST_F(TransportTest, WithEveryRowSkippedTheOpenFailsOnceOrTheListEnds) {
    auto& f = createWithRows(2, "null:manual");
    f.trackList()->SetMark(0, MarkSkip);
    f.trackList()->SetMark(1, MarkSkip);
    {
        setOrder(playback::OrderRepeatAll);
        platform::MessageRecorder messages;
        select(0);
        f.OnCommand(ID_PLAY_PLAYPAUSE);
        EXPECT_EQ(messages.texts(), QStringList{"ストリームをオープンできません"});
        EXPECT_EQ(f.engine().stream(), 0u);
        EXPECT_FALSE(f.playPauseShowsPause());
    }
    {
        setOrder(playback::OrderOnce);
        platform::MessageRecorder messages;
        select(0);
        f.OnCommand(ID_PLAY_PLAYPAUSE);
        EXPECT_TRUE(messages.texts().isEmpty()) << "the list ended: nothing to report";
        EXPECT_EQ(f.engine().stream(), 0u);
        EXPECT_FALSE(f.positionBar()->thumbVisible()) << "idle, since nothing plays";
        EXPECT_FALSE(f.playPauseShowsPause());
        EXPECT_FALSE(f.positionTimerActive());
    }
}

TEST_F(TransportTest, ARowThatCannotBeOpenedShowsMessage115Once) {
    auto& f = createWithRows(0, "null:manual");
    dir.write("broken.mp3", "this is not audio at all");
    f.trackList()->AppendRow(QString::fromStdString(dir.file("broken.mp3")), "broken.mp3");
    platform::MessageRecorder messages;
    select(0);
    f.OnCommand(ID_PLAY_PLAYPAUSE);
    EXPECT_EQ(messages.texts(), QStringList{"ストリームをオープンできません"});
    EXPECT_FALSE(f.positionBar()->thumbVisible());
    EXPECT_FALSE(f.playPauseShowsPause());
    EXPECT_EQ(f.engine().trackRow(), 0) << "Next and Previous step on from the row that failed";
}

TEST_F(TransportTest, NextAndPreviousNeedRowsAndAnOpenStream) {
    auto& f = createWithRows(2, "null:manual");
    f.OnCommand(ID_PLAY_NEXT);
    f.OnCommand(ID_PLAY_PREV);
    EXPECT_EQ(f.engine().stream(), 0u);
    EXPECT_FALSE(f.playPauseShowsPause());
}

TEST_F(TransportTest, DoubleClickOnASkippedRowClearsItAndPlaysIt) {
    auto& f = createWithRows(2, "null:manual");
    f.trackList()->SetMark(1, MarkSkip);
    QCoreApplication::processEvents();
    const QRect rect = f.trackList()->visualRect(f.trackList()->model()->index(1, 2));
    QTest::mouseClick(f.trackList()->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(f.trackList()->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(f.engine().trackRow(), 1);
    EXPECT_EQ(marks(), (QStringList{"", ">"}));
}

TEST_F(TransportTest, SeekingFollowsThePositionBarAndTheTooltip) {
    auto& f = createWithRows(0, "null:manual");
    addRow(f, "long.mp3", "tone_1k_20s.mp3");
    select(0);
    f.OnCommand(ID_PLAY_PLAYPAUSE);
    f.OnCommand(ID_PLAY_PLAYPAUSE); // paused, so the position stays put
    f.positionBar()->setSliderPosition(12);
    f.positionBar()->triggerAction(QAbstractSlider::SliderMove);
    EXPECT_NEAR(f.engine().PositionSeconds(), 12.0, 0.05);
    EXPECT_EQ(f.ToolTipText(IDC_POSITION), "0:12/0:20");
}

TEST_F(TransportTest, ASeventyFiveMinuteTrackReadsInMinutesAndSeconds) {
    auto& f = createWithRows(0, "null:manual");
    const std::string path = dir.file("long.wav");
    WriteSilentWav(path, 75 * 60);
    f.trackList()->AppendRow(QString::fromStdString(path), "long.wav");
    select(0);
    f.OnCommand(ID_PLAY_PLAYPAUSE);
    f.OnCommand(ID_PLAY_PLAYPAUSE); // paused
    EXPECT_EQ(f.positionBar()->maximum(), 4500);
    f.positionBar()->setSliderPosition(61 * 60 + 5);
    f.positionBar()->triggerAction(QAbstractSlider::SliderMove);
    EXPECT_EQ(f.ToolTipText(IDC_POSITION), "61:05/75:00");
}

TEST_F(TransportTest, ALengthBeyondSixteenBitsGivesTheBarItsLengthModulo65536) {
    auto& f = createWithRows(0, "null:manual");
    const std::string path = dir.file("day.wav");
    WriteSilentWav(path, 70000);
    f.trackList()->AppendRow(QString::fromStdString(path), "day.wav");
    select(0);
    f.OnCommand(ID_PLAY_PLAYPAUSE);
    EXPECT_EQ(f.engine().LengthSeconds(), 70000);
    EXPECT_EQ(f.positionBar()->maximum(), 70000 - 65536);
    EXPECT_TRUE(f.ToolTipText(IDC_POSITION).endsWith("/1166:40")) << "the text keeps the length";
}

TEST_F(TransportTest, ATrackEndingWhileTheListShowsAnotherFolderShowsTheStop) {
    // The list now shows a folder without tracks, whatever the order.
    const int orders[] = {playback::OrderOnce, playback::OrderRepeatAll, playback::OrderSingle,
                          playback::OrderRepeatSingle, playback::OrderRandom};
    auto& f = createWithRows(0);
    for (int order : orders) {
        SCOPED_TRACE(order);
        addRow(f, "a.wav");
        setOrder(order);
        select(0);
        f.OnCommand(ID_PLAY_PLAYPAUSE);
        ASSERT_NE(f.engine().stream(), 0u);
        QSignalSpy ended(&f.engine(), &playback::PlaybackEngine::streamEnded);
        f.trackList()->ClearRows();
        ASSERT_TRUE(ended.wait(20000));
        EXPECT_EQ(f.engine().stream(), 0u);
        EXPECT_EQ(f.titleLabel()->text(), "");
        EXPECT_FALSE(f.positionBar()->thumbVisible());
        EXPECT_FALSE(f.playPauseShowsPause());
        EXPECT_FALSE(f.positionTimerActive());
    }
}

TEST_F(TransportTest, ATrackEndingWhenTheRandomOrderFindsNothingToPlayShowsTheStop) {
    auto& f = createWithRows(2);
    setOrder(playback::OrderRandom);
    select(0);
    f.OnCommand(ID_PLAY_PLAYPAUSE);
    ASSERT_NE(f.engine().stream(), 0u);
    QSignalSpy ended(&f.engine(), &playback::PlaybackEngine::streamEnded);
    f.trackList()->SetMark(1, MarkSkip);
    f.trackList()->SetMark(0, MarkSkip);
    ASSERT_TRUE(ended.wait(20000));
    EXPECT_EQ(f.engine().stream(), 0u);
    EXPECT_FALSE(f.playPauseShowsPause());
    EXPECT_FALSE(f.positionBar()->thumbVisible());
    EXPECT_FALSE(f.positionTimerActive());
}
