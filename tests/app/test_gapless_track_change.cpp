// Gapless track changes through the real frame and engine: the row the end
// of a track steps to is queued ahead, starts in the same mix block, and the
// display follows as for any new track; what the user changes meanwhile
// moves or drops the queued row.
#include "frame_fixture.h"

#include "audio/output/tap_log.h"
#include "playback/play_order.h"
#include "res/resource_ids.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "support/fixtures.h"
#include "support/manual_play.h"
#include "support/process_runner.h"
#include "tracklist/list_view.h"
#include "tracklist/track_marks.h"

#include <QComboBox>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

using namespace res;

namespace {

// A 1.01 s tone: 44541 frames, so each track ends inside a 882-frame block.
// The engine hears of a hand-over when the new track is heard and queues the
// row after it then: a track must outlast the device's buffer (200 ms) and
// its wake-ups for that row to be queued before the mixer reaches its end.
constexpr long long kToneFrames = 44541;

std::string MakeShortTone(const testsupport::TempDir& dir, const std::string& name, int hz) {
    const std::string path = dir.file(name);
    if (std::filesystem::exists(path))
        return path;
    const auto made = testsupport::runProgram(
        "ffmpeg",
        {"-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
         QStringLiteral("sine=frequency=%1:sample_rate=44100:duration=1.01").arg(hz), "-ac", "2",
         "-c:a", "pcm_s16le", QString::fromStdString(path)},
        60000);
    EXPECT_TRUE(made.finished && made.exitCode == 0) << made.err.toStdString();
    return path;
}

} // namespace

class GaplessTest : public FrameTest {
protected:
    // Rows a.wav, b.wav ... of short tones on the paced null output on the
    // test's clock (playManualClockUntil), whose blocks the output tap logs.
    app::CMainFrame& createWithTones(int rows) {
        setenv("QUAVERLY_AUDIO", "null:manual", 1);
        setenv("QUAVERLY_AUDIO_TAP", tapPath().c_str(), 1);
        auto& f = create();
        unsetenv("QUAVERLY_AUDIO_TAP");
        for (int i = 0; i < rows; ++i) {
            const std::string name = std::string(1, static_cast<char>('a' + i)) + ".wav";
            const std::string path = MakeShortTone(dir, name, 300 + 100 * i);
            f.trackList()->AppendRow(QString::fromStdString(path), QString::fromStdString(name));
        }
        return f;
    }
    std::string tapPath() const { return dir.file("tap.log"); }
    QString lastPlayed() const {
        return settings::IniFile(iniPath()).ReadString(settings::keys::LastPlayed, QString());
    }
};

TEST_F(GaplessTest, TheEndOfATrackFlowsIntoTheQueuedRowAndTheDisplayFollows) {
    struct Case {
        const char* name;
        int order;
        std::vector<int> skipped;
        int tracks;            // tracks heard before the check
        std::vector<int> rows; // rows in the order they play, -1 for any
    };
    const std::vector<Case> cases = {
        {"once", playback::OrderOnce, {}, 3, {0, 1, 2}},
        {"once passing a skipped row", playback::OrderOnce, {1}, 2, {0, 2}},
        {"repeat all", playback::OrderRepeatAll, {}, 4, {0, 1, 2, 0}},
        {"random", playback::OrderRandom, {}, 3, {-1, -1, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto& f = createWithTones(3);
        f.orderBox()->setCurrentIndex(c.order);
        f.TrackListFilled();
        for (const int row : c.skipped)
            f.trackList()->SetMark(row, tracklist::MarkSkip);
        std::vector<int> started;
        // After the frame's step: a row opened, or the follow-on took over.
        const auto record = [&] { started.push_back(f.engine().trackRow()); };
        QObject::connect(&f.engine(), &playback::PlaybackEngine::streamEnded, record);
        QObject::connect(&f.engine(), &playback::PlaybackEngine::trackOpened, record);
        f.trackList()->SetCurrentRow(c.rows.front() < 0 ? 0 : c.rows.front());
        f.OnCommand(ID_PLAY_PLAYPAUSE);
        started.insert(started.begin(), f.engine().trackRow());
        // An ended track that is still the engine's: its end or hand-over is on its way.
        const auto endOnItsWay = [&] {
            const HSTREAM stream = f.engine().stream();
            return stream != 0 && BASS_ChannelIsActive(stream) == BASS_ACTIVE_STOPPED;
        };
        ASSERT_TRUE(testsupport::playManualClockUntil(
            [&] { return f.engine().stream() == 0 || int(started.size()) > c.tracks; },
            endOnItsWay));
        f.OnCommand(ID_PLAY_STOP);

        for (std::size_t i = 0; i < c.rows.size(); ++i) {
            if (c.rows[i] >= 0) {
                EXPECT_EQ(started[i], c.rows[i]) << "track " << i;
            }
        }
        if (c.order == playback::OrderOnce) {
            EXPECT_EQ(lastPlayed(), f.trackList()->GetLocation(c.rows.back()));
        }
        // Every block up to the end of the tracks checked is whole: each
        // track's first frame came in the block of the last frame before it.
        const auto blocks = audio::output::readTapLog(tapPath());
        long long frames = 0;
        for (std::size_t i = 0; i < blocks.size() && frames + 882 <= c.tracks * kToneFrames; ++i) {
            EXPECT_EQ(blocks[i].frames, 882) << "block " << i;
            frames += blocks[i].frames;
        }
        EXPECT_GT(frames + 882, c.tracks * kToneFrames);
        frame.reset();
    }
}

TEST_F(GaplessTest, TheQueuedRowFollowsMarksAndOrderAndUserStepsDropIt) {
    auto& f = createWithTones(3);
    auto& engine = f.engine();
    f.orderBox()->setCurrentIndex(playback::OrderOnce);
    f.trackList()->SetCurrentRow(0);
    f.OnCommand(ID_PLAY_PLAYPAUSE);
    struct Step {
        const char* name;
        std::function<void()> act;
        int queuedRow;
    };
    const std::vector<Step> steps = {
        {"playing the first row", [] {}, 1},
        {"the next row skipped", [&] { f.trackList()->SetMark(1, tracklist::MarkSkip); }, 2},
        {"a single-track order", [&] { f.orderBox()->setCurrentIndex(playback::OrderSingle); }, -1},
        {"back to repeat all", [&] { f.orderBox()->setCurrentIndex(playback::OrderRepeatAll); }, 2},
        {"Next", [&] { f.OnCommand(ID_PLAY_NEXT); }, 0},
        {"every other row skipped", [&] { f.trackList()->SetMark(0, tracklist::MarkSkip); }, 2},
        {"Stop", [&] { f.OnCommand(ID_PLAY_STOP); }, -1},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        QCoreApplication::processEvents();
        EXPECT_EQ(engine.followOnRow(), step.queuedRow);
    }
}
