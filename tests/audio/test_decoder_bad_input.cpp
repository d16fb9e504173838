// Broken, foreign and missing files fail with the right error code or end
// early; none of them may crash, hang or decode forever.
#include "audio/api/bass.h"
#include "support/fixtures.h"
#include "support/temp_dir.h"
#include "test_decoder_support.h"

#include <cstdio>
#include <random>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace {

using decodertest::decodeAll;
using decodertest::frameCount;

std::string randomBytes(size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator() & 0xff);
    return bytes;
}

// Opens a file that may or may not be usable: a failure must carry an error
// code, a success must decode to a bounded end. Returns the decoded frames,
// or -1 when the open failed.
int64_t openAndDrain(const std::string& path, int* error) {
    *error = 0;
    auto decoder = audio::Decoder::openFile(path, error);
    if (!decoder) {
        EXPECT_NE(*error, 0) << path;
        return -1;
    }
    return frameCount(decodeAll(*decoder), *decoder);
}

TEST(DecoderBadInput, MissingFilesAndFoldersCannotBeOpened) {
    testsupport::TempDir dir;
    for (const std::string& path :
         {dir.file("absent.mp3"), dir.file("Track01.cda"), dir.path(), std::string()}) {
        int error = 0;
        EXPECT_FALSE(audio::Decoder::openFile(path, &error)) << path;
        EXPECT_EQ(error, BASS_ERROR_FILEOPEN) << path;
    }
}

TEST(DecoderBadInput, ZeroLengthFilesAreNotAudio) {
    testsupport::TempDir dir;
    for (const char* name : {"empty.mp3", "empty.ogg", "empty.wav", "empty.flac"}) {
        int error = 0;
        EXPECT_FALSE(audio::Decoder::openFile(dir.write(name, ""), &error)) << name;
        EXPECT_EQ(error, BASS_ERROR_FILEFORM) << name;
    }
}

TEST(DecoderBadInput, CdTrackFilesFailCleanly) {
    // What a CD drive shows for a track: a small RIFF "CDDA" header, no audio.
    testsupport::TempDir dir;
    std::string cda = "RIFF" + std::string("\x24\x00\x00\x00", 4) + "CDDAfmt " +
                      std::string("\x18\x00\x00\x00\x01\x00\x01\x00", 8) + std::string(24, '\0');
    int error = 0;
    EXPECT_FALSE(audio::Decoder::openFile(dir.write("Track01.cda", cda), &error));
    EXPECT_TRUE(error == BASS_ERROR_FILEFORM || error == BASS_ERROR_FILEOPEN) << error;
}

TEST(DecoderBadInput, TextAndRandomBytesFailOrEndEarly) {
    testsupport::TempDir dir;
    int error = 0;
    EXPECT_FALSE(audio::Decoder::openFile(dir.write("notes.mp3", "just some text\n"), &error));
    EXPECT_EQ(error, BASS_ERROR_FILEFORM);
    for (const char* name : {"noise.mp3", "noise.ogg", "noise.wav", "noise.m4a", "noise.wma",
                             "noise.aac", "noise.flac", "noise.opus"}) {
        SCOPED_TRACE(name);
        const int64_t frames = openAndDrain(dir.write(name, randomBytes(64 * 1024, 7)), &error);
        if (frames < 0) {
            EXPECT_TRUE(error == BASS_ERROR_FILEFORM || error == BASS_ERROR_CODEC) << error;
        }
    }
}

TEST(DecoderBadInput, TruncatedFilesEndEarly) {
    testsupport::TempDir dir;
    for (const char* ext :
         {"mp3", "ogg", "opus", "flac", "oga", "wav", "m4a", "aac", "wma", "mp1", "mp2", "aiff"}) {
        SCOPED_TRACE(ext);
        const std::string whole =
            testsupport::readFile(testsupport::fixture(std::string("tone_1k_3s.") + ext));
        int error = 0;
        const int64_t half = openAndDrain(
            dir.write(std::string("half.") + ext, whole.substr(0, whole.size() / 2)), &error);
        // MP4 keeps its index at the end, and these small Ogg files spend
        // much of their first half on codec headers: both may not open.
        const bool mayFail = std::string(ext) == "m4a" || std::string(ext) == "ogg";
        if (!mayFail) {
            EXPECT_GT(half, 0);
        }
        EXPECT_LT(half, 3 * 48000 * 3 / 4);
        openAndDrain(dir.write(std::string("head.") + ext, whole.substr(0, 100)), &error);
    }
}

TEST(DecoderBadInput, CorruptedPacketsAreSkipped) {
    testsupport::TempDir dir;
    for (const char* ext : {"mp3", "ogg", "flac", "aac"}) {
        SCOPED_TRACE(ext);
        std::string bytes =
            testsupport::readFile(testsupport::fixture(std::string("tone_1k_3s.") + ext));
        const std::string noise = randomBytes(300, 11);
        bytes.replace(bytes.size() / 2, noise.size(), noise);
        int error = 0;
        const int64_t frames =
            openAndDrain(dir.write(std::string("corrupt.") + ext, bytes), &error);
        // The tone survives around the damaged part (Ogg loses the whole
        // page, more than a second of these small files).
        EXPECT_GT(frames, 44100) << "error " << error;
        EXPECT_LT(frames, 44100 * 4);
    }
}

TEST(DecoderBadInput, TheContentDecidesNotTheName) {
    testsupport::TempDir dir;
    // name -> fixture
    const std::pair<const char*, const char*> cases[] = {
        // Wrong extensions.
        {"really_mp3.ogg", "tone_1k_3s.mp3"},
        {"really_ogg.mp3", "tone_1k_3s.ogg"},
        {"really_mp3.wav", "tone_1k_3s.mp3"},
        // Names that look like protocols, or are not ASCII.
        {"http:song.mp3", "tone_1k_3s.mp3"},
        {"Artist: Title.mp3", "tone_1k_3s.mp3"},
        {"日本語の曲.mp3", "tone_1k_3s.mp3"},
    };
    for (const auto& [name, fixture] : cases) {
        const std::string bytes = testsupport::readFile(testsupport::fixture(fixture));
        int error = 0;
        EXPECT_EQ(openAndDrain(dir.write(name, bytes), &error), 132300) << name;
    }
}

// The 16-bit stereo WAV fixture with its format chunk changed: channels,
// rate, and the byte rate and block size that follow from them.
std::string wavClaiming(uint32_t rate, uint16_t channels) {
    std::string wav = testsupport::readFile(testsupport::fixture("tone_1k_3s.wav"));
    const size_t format = wav.find("fmt ") + 8;
    const auto put = [&](size_t at, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            wav[at + i] = static_cast<char>(value >> (8 * i));
    };
    put(format + 2, channels, 2);
    put(format + 4, rate, 4);
    put(format + 8, rate * channels * 2u, 4);
    put(format + 12, channels * 2u, 2);
    return wav;
}

TEST(DecoderBadInput, HeadersClaimingHugeRatesOrChannelCountsAreRefused) {
    testsupport::TempDir dir;
    const struct {
        const char* what;
        uint32_t rate;
        uint16_t channels;
        int error; // 0: opens
    } cases[] = {
        {"44100 Hz with bit 29 flipped", 44100 | (1u << 29), 2, BASS_ERROR_FORMAT},
        {"one above the highest rate", 768001, 2, BASS_ERROR_FORMAT},
        {"one channel too many", 44100, 33, BASS_ERROR_FORMAT},
        {"the highest rate", 768000, 2, 0},
        {"the most channels", 44100, 32, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        int error = 0;
        auto decoder = audio::Decoder::openFile(
            dir.write("claim.wav", wavClaiming(c.rate, c.channels)), &error);
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(decoder != nullptr, c.error == 0);
        if (decoder) {
            EXPECT_EQ(decoder->format().sampleRate, static_cast<int>(c.rate));
            EXPECT_EQ(decoder->format().channels, c.channels);
        }
    }
}

// FFmpeg's notes on damaged input ("Header missing", "invalid frame size")
// would fill the terminal the player was started from.
TEST(DecoderBadInput, DamagedFilesLeaveStderrQuiet) {
    testsupport::TempDir dir;
    std::string mp3 = testsupport::readFile(testsupport::fixture("tone_1k_3s.mp3"));
    mp3.replace(mp3.size() / 2, 2000, randomBytes(2000, 5));
    std::string flac = testsupport::readFile(testsupport::fixture("tone_1k_3s.flac"));
    flac.replace(flac.size() / 2, 2000, randomBytes(2000, 6));
    const std::string captured = dir.file("stderr.txt");
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    const int into = open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(into, 0);
    dup2(into, STDERR_FILENO);
    close(into);
    int error = 0;
    openAndDrain(dir.write("damaged.mp3", mp3), &error);
    openAndDrain(dir.write("damaged.flac", flac), &error);
    openAndDrain(dir.write("noise.aac", randomBytes(64 * 1024, 8)), &error);
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    EXPECT_EQ(testsupport::readFile(captured), "");
}

TEST(DecoderCancel, LaterDecodesReturnMinusOne) {
    auto decoder = decodertest::openOrFail(testsupport::fixture("tone_1k_3s.flac"));
    ASSERT_TRUE(decoder);
    std::vector<float> block(200);
    EXPECT_EQ(decoder->decode(block.data(), 100), 100);
    decoder->cancel();
    EXPECT_EQ(decoder->decode(block.data(), 100), -1);
}

} // namespace
