// Every extension the player offers decodes to the 3 s 1 kHz fixture tone
// with the length the decoder announces.
#include "support/fixtures.h"
#include "test_decoder_support.h"

namespace {

using decodertest::decodeAll;
using decodertest::frameCount;
using decodertest::openOrFail;

struct FormatCase {
    const char* extension;
    int sampleRate;
    // Largest difference allowed between the decoded count and lengthFrames(),
    // and between the decoded count and the 3 s of the source: 0 for lossless
    // and gapless formats, about one codec frame for the others.
    int64_t lengthSlack;
    int64_t durationSlack;
};

const FormatCase kFormats[] = {
    {"wav", 44100, 0, 0},       {"aif", 44100, 0, 0},       {"aiff", 44100, 0, 0},
    {"flac", 44100, 0, 0},      {"oga", 44100, 0, 0},       {"ogg", 44100, 0, 0},
    {"opus", 48000, 0, 0},      {"mp3", 44100, 0, 0},       {"mp2", 44100, 1152, 1152},
    {"mp1", 44100, 384, 384},   {"aac", 44100, 1024, 2048}, {"m4a", 44100, 1024, 1024},
    {"m4b", 44100, 1024, 1024}, {"mp4", 44100, 1024, 1024}, {"wma", 44100, 2048, 2048},
};

class DecoderFormats : public testing::TestWithParam<FormatCase> {};

TEST_P(DecoderFormats, DecodesTheToneAtItsLength) {
    const FormatCase& c = GetParam();
    auto decoder = openOrFail(testsupport::fixture(std::string("tone_1k_3s.") + c.extension));
    ASSERT_TRUE(decoder);
    EXPECT_FALSE(decoder->isNetwork());
    EXPECT_EQ(decoder->format().sampleRate, c.sampleRate);
    EXPECT_EQ(decoder->format().channels, 2);

    const std::vector<float> samples = decodeAll(*decoder);
    const int64_t frames = frameCount(samples, *decoder);
    EXPECT_NEAR(frames, decoder->lengthFrames(), c.lengthSlack);
    EXPECT_NEAR(frames, 3 * c.sampleRate, c.durationSlack);
    EXPECT_NEAR(decodertest::toneFrequency(samples, 2, c.sampleRate), 1000.0, 5.0);
    // A sine of amplitude 1/8 in both channels.
    EXPECT_NEAR(decodertest::rms(samples, 2, 0), 0.125 / std::sqrt(2.0), 0.01);
    EXPECT_NEAR(decodertest::rms(samples, 2, 1), 0.125 / std::sqrt(2.0), 0.01);
    EXPECT_EQ(decoder->decode(std::vector<float>(64).data(), 32), 0) << "stays at the end";
}

INSTANTIATE_TEST_SUITE_P(AllExtensions, DecoderFormats, testing::ValuesIn(kFormats),
                         [](const testing::TestParamInfo<FormatCase>& info) {
                             return std::string(info.param.extension);
                         });

TEST(DecoderVariants, KeepTheSourceRateChannelsAndFrequency) {
    struct Variant {
        const char* name;
        int rate;
        int channels;
        double frequency;
        int64_t frames;
    };
    const Variant variants[] = {
        {"tone_1k_3s_mono.wav", 44100, 1, 1000, 132300},
        {"tone_1k_3s_mono.mp3", 44100, 1, 1000, 132300},
        {"tone_1k_3s_48k.wav", 48000, 2, 1000, 144000},
        {"tone_1k_3s_48k.mp3", 48000, 2, 1000, 144000},
        {"tone_440_3s.wav", 44100, 2, 440, 132300},
        {"tone_8k_3s.wav", 44100, 2, 8000, 132300},
        {"tone_1k_20s.mp3", 44100, 2, 1000, 882000},
    };
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        auto decoder = openOrFail(testsupport::fixture(v.name));
        ASSERT_TRUE(decoder);
        EXPECT_EQ(decoder->format().sampleRate, v.rate);
        EXPECT_EQ(decoder->format().channels, v.channels);
        const std::vector<float> samples = decodeAll(*decoder);
        EXPECT_EQ(frameCount(samples, *decoder), v.frames);
        EXPECT_NEAR(decodertest::toneFrequency(samples, v.channels, v.rate), v.frequency,
                    v.frequency * 0.005);
    }
}

// The announced length is the decoded one within a codec frame (exactly, for
// gapless MP3), however large the tags in front of the audio and however many
// logical streams an Ogg file chains.
TEST(DecoderVariants, LengthsBehindLargeTagsAndOfChainsAreRight) {
    const struct {
        const char* name;
        int64_t frames; // of the source
        int64_t slack;  // one codec frame, 0 where exact
    } cases[] = {
        {"tone_1k_3s_cover.mp3", 132300, 0},          // a 1 MB picture
        {"tone_1k_3s_many_frames.mp3", 132300, 0},    // 40,000 frames
        {"tone_1k_3s_many_comments.flac", 132300, 0}, // 40,000 comments
        {"chained.ogg", 2 * 88200, 2048},             // two streams of 2 s
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto decoder = openOrFail(testsupport::fixture(c.name));
        ASSERT_TRUE(decoder);
        const int64_t decoded = frameCount(decodeAll(*decoder), *decoder);
        EXPECT_NEAR(decoder->lengthFrames(), decoded, c.slack);
        EXPECT_NEAR(decoder->lengthFrames(), c.frames, c.slack);
        EXPECT_NEAR(decoded, c.frames, c.slack);
    }
}

TEST(DecoderVariants, SilenceDecodesToZeros) {
    auto decoder = openOrFail(testsupport::fixture("silence_10s.wav"));
    ASSERT_TRUE(decoder);
    EXPECT_EQ(decoder->lengthFrames(), 441000);
    const std::vector<float> samples = decodeAll(*decoder);
    EXPECT_EQ(frameCount(samples, *decoder), 441000);
    EXPECT_EQ(decodertest::rms(samples, 2), 0.0);
}

TEST(DecoderVariants, SixteenBitSamplesScaleToUnitRange) {
    auto decoder = openOrFail(testsupport::fixture("tone_1k_3s_loud.wav"));
    ASSERT_TRUE(decoder);
    const std::vector<float> samples = decodeAll(*decoder);
    float peak = 0;
    for (float s : samples)
        peak = std::max(peak, std::fabs(s));
    EXPECT_NEAR(peak, 0.9, 0.001);
}

TEST(DecoderVariants, SmallAndOddBlockSizesGiveTheSameSamples) {
    auto whole = openOrFail(testsupport::fixture("tone_1k_3s.mp3"));
    auto small = openOrFail(testsupport::fixture("tone_1k_3s.mp3"));
    ASSERT_TRUE(whole && small);
    EXPECT_EQ(decodeAll(*whole, 8192), decodeAll(*small, 7));
}

} // namespace
