// The output tap (QUAVERLY_AUDIO_TAP): a diagnostic log of every block handed
// to the output, which the latency benchmarks read.
#include "test_library_support.h"

#include "support/fixtures.h"
#include "support/temp_dir.h"

#include <fstream>

using librarytest::Device;
using librarytest::Event;
using librarytest::ScopedEnv;
using namespace std::chrono_literals;

namespace {

struct TapLine {
    long long handedNs;
    long long frames;
    long long firstAudible;
    long long lastAudible;
};

std::vector<TapLine> readTap(const std::string& path) {
    std::vector<TapLine> lines;
    std::ifstream in(path);
    TapLine line{};
    while (in >> line.handedNs >> line.frames >> line.firstAudible >> line.lastAudible)
        lines.push_back(line);
    return lines;
}

// Plays a fixture to the end on the given back-end with the tap on.
bool playWithTap(const std::string& choice, const std::string& tapPath, DWORD volume = 10000) {
    ScopedEnv tap("QUAVERLY_AUDIO_TAP", tapPath);
    BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, volume);
    bool played = false;
    {
        Device device(choice);
        EXPECT_TRUE(device.ok());
        Event& ended = librarytest::outlivingTheTest<Event>();
        const HSTREAM stream =
            BASS_StreamCreateFile(FALSE, testsupport::fixture("tone_1k_3s.wav").c_str(), 0, 0, 0);
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
    const std::vector<TapLine> lines = readTap(tapPath);
    ASSERT_FALSE(lines.empty());
    long long frames = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const TapLine& line = lines[i];
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
    const std::vector<TapLine> lines = readTap(tapPath);
    ASSERT_FALSE(lines.empty());
    for (const TapLine& line : lines) {
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
