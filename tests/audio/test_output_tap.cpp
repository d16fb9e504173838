// The output tap (QUAVERLY_AUDIO_TAP): a diagnostic log of every block handed
// to the output, which the latency benchmarks read.
#include "test_library_support.h"

#include "support/fixtures.h"
#include "support/temp_dir.h"

#include "audio/output/tap_log.h"

using audio::output::readTapLog;
using audio::output::TapBlock;
using librarytest::Device;
using librarytest::Event;
using librarytest::ScopedEnv;
using namespace std::chrono_literals;

namespace {

// Plays a fixture to the end on the given back-end with the tap on.
bool playWithTap(const std::string& choice, const std::string& tapPath, DWORD volume = 10000) {
    ScopedEnv tap("QUAVERLY_AUDIO_TAP", tapPath);
    BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, volume);
    bool played = false;
    {
        Device device(choice);
        EXPECT_TRUE(device.ok());
        Event& ended = librarytest::outlivingTheTest<Event>();
        const HSTREAM stream = librarytest::openFixture("tone_1k_3s.wav");
        EXPECT_NE(stream, 0u);
        played = librarytest::playToEnd(stream, ended, 20s);
        BASS_StreamFree(stream);
    }
    BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 10000);
    return played;
}

} // namespace

TEST(OutputTap, LogsEveryBlockWithItsAudibleSpanInOrder) {
    testsupport::TempDir dir;
    const std::string tapPath = dir.file("tap.log");
    ASSERT_TRUE(playWithTap("null:fast", tapPath));
    const std::vector<TapBlock> lines = readTapLog(tapPath);
    ASSERT_FALSE(lines.empty());
    long long frames = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const TapBlock& line = lines[i];
        frames += line.frames;
        if (i > 0) {
            EXPECT_GE(line.handedNs, lines[i - 1].handedNs);
        }
        // A block of the 1 kHz tone is audible from near its start to near its end.
        EXPECT_GE(line.firstAudible, 0) << "block " << i;
        EXPECT_LE(line.firstAudible, 2);
        EXPECT_GE(line.lastAudible, line.frames - 3);
        EXPECT_LT(line.lastAudible, line.frames);
    }
    EXPECT_EQ(frames, 132300); // every frame of the 3 s fixture, once
}

TEST(OutputTap, SilenceIsLoggedAsSilentBlocksAndTheSoundStillGoesOut) {
    testsupport::TempDir dir;
    const std::string tapPath = dir.file("tap.log");
    const std::string wavPath = dir.file("out.wav");
    ASSERT_TRUE(playWithTap("wav:" + wavPath, tapPath, 0));
    const std::vector<TapBlock> lines = readTapLog(tapPath);
    ASSERT_FALSE(lines.empty());
    for (const TapBlock& line : lines) {
        EXPECT_EQ(line.firstAudible, -1);
        EXPECT_EQ(line.lastAudible, -1);
    }
    // The wrapped device got the same frames: 44-byte header + 16-bit stereo.
    EXPECT_EQ(librarytest::readWav(wavPath).frames(), 132300u);
}

TEST(OutputTap, ALogThatCannotBeOpenedNeverStopsTheSound) {
    testsupport::TempDir dir;
    const std::string wavPath = dir.file("out.wav");
    EXPECT_TRUE(playWithTap("wav:" + wavPath, dir.file("missing-folder/tap.log")));
    EXPECT_EQ(librarytest::readWav(wavPath).frames(), 132300u);
}

TEST(OutputTap, AFollowOnFillsTheBlockWhereTheStreamBeforeEnds) {
    // On the paced null output (20 ms blocks of 882 frames) a stream that
    // ends inside a block used to leave that block short, the device running
    // dry before the next track's first block. Its follow-on fills it: every
    // block up to the very last is whole, and every frame of both comes out.
    testsupport::TempDir dir;
    const std::string tapPath = dir.file("tap.log");
    {
        ScopedEnv tap("QUAVERLY_AUDIO_TAP", tapPath);
        Device device("null");
        ASSERT_TRUE(device.ok());
        const std::string path = testsupport::fixture("tone_1k_3s.wav");
        const HSTREAM first = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
        const HSTREAM next = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
        // 0.8 s minus 17 frames are left of each: they end inside a block.
        for (const HSTREAM stream : {first, next})
            ASSERT_TRUE(BASS_ChannelSetPosition(stream, (132300 - 35280 + 17) * 4, BASS_POS_BYTE));
        ASSERT_TRUE(QUAVERLY_ChannelSetNext(first, next));
        Event& ended = librarytest::outlivingTheTest<Event>();
        BASS_ChannelSetSync(next, BASS_SYNC_END, 0, librarytest::raiseEvent, &ended);
        ASSERT_TRUE(BASS_ChannelPlay(first, FALSE));
        ASSERT_TRUE(ended.waitFor(1, 10s));
        BASS_StreamFree(first);
        BASS_StreamFree(next);
    }
    const std::vector<TapBlock> lines = readTapLog(tapPath);
    ASSERT_GE(lines.size(), 2u);
    long long frames = 0;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        EXPECT_EQ(lines[i].frames, 882) << "block " << i << " of " << lines.size();
        frames += lines[i].frames;
    }
    EXPECT_EQ(frames + lines.back().frames, 2 * (35280 - 17));
}
