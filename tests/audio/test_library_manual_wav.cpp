// The WAV output on a clock the test moves ("wav:manual:PATH"): the file
// holds what the device played as far as the clock went, so a test can
// measure what is heard at a given time without waiting on the real clock.
#include "test_library_support.h"

#include "support/temp_dir.h"

#include <filesystem>

using librarytest::Device;
using librarytest::readWav;
using librarytest::rmsDb;
using librarytest::Wav;
using namespace std::chrono_literals;

namespace {

double positionSeconds(HSTREAM stream) {
    return BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE));
}

} // namespace

TEST(LibraryManualWav, TheFileHoldsWhatTheClockLetPlayAndNoMore) {
    // The device holds up to ten 20 ms blocks beyond what was heard.
    struct Case {
        std::chrono::milliseconds played;
    };
    for (const Case c : {Case{0ms}, Case{500ms}, Case{1200ms}}) {
        SCOPED_TRACE(c.played.count());
        testsupport::TempDir dir;
        const std::string out = dir.file("out.wav");
        double heard = -1;
        {
            Device device("wav:manual:" + out);
            ASSERT_TRUE(device.ok());
            ASSERT_TRUE(librarytest::manualClock());
            const HSTREAM stream = librarytest::openFixture("tone_1k_3s.wav");
            ASSERT_NE(stream, 0u);
            ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
            librarytest::playFor(c.played);
            heard = positionSeconds(stream);
        }
        const double seconds = c.played.count() / 1000.0;
        EXPECT_NEAR(heard, seconds, 0.025);
        const Wav wav = readWav(out);
        ASSERT_EQ(wav.rate, 44100);
        const double written = static_cast<double>(wav.frames()) / wav.rate;
        EXPECT_GE(written, seconds);
        EXPECT_LE(written, seconds + 0.2 + 0.02);
        if (seconds > 0) {
            EXPECT_GT(rmsDb(wav, 0.0, seconds), -30.0) << "the tone is in the file";
        }
    }
}

TEST(LibraryManualWav, AManualWavWithoutAUsableFileDoesNotOpen) {
    struct Case {
        std::string choice;
        int error;
    };
    const Case cases[] = {
        {"wav:manual:/nonexistent-folder/out.wav", BASS_ERROR_FILEOPEN},
        {"wav:manual:", BASS_ERROR_DEVICE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.choice);
        Device device(c.choice);
        EXPECT_FALSE(device.ok());
        EXPECT_EQ(BASS_ErrorGetCode(), c.error);
        EXPECT_FALSE(std::filesystem::exists("manual:")) << "no file named after the option";
    }
}
