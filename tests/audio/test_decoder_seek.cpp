// After seek(frame) the next decoded frame is exactly the one a straight
// decode from the start gives at that position.
#include "support/fixtures.h"
#include "test_decoder_support.h"

#include <algorithm>

namespace {

using decodertest::decodeAll;
using decodertest::openOrFail;

struct SeekCase {
    const char* file;
    float tolerance; // 0 for lossless formats
};

const SeekCase kSeekable[] = {
    {"tone_1k_3s.wav", 0},    {"tone_1k_3s.flac", 0},    {"tone_1k_3s.aiff", 0},
    {"tone_1k_3s.oga", 0},    {"tone_1k_3s.ogg", 1e-4},  {"tone_1k_3s.opus", 1e-3},
    {"tone_1k_3s.mp3", 1e-4}, {"tone_1k_3s.mp2", 1e-3},  {"tone_1k_3s.m4a", 1e-3},
    {"tone_1k_3s.aac", 2e-3}, {"tone_1k_20s.mp3", 1e-4},
};

float largestDifference(const std::vector<float>& reference, int64_t frame,
                        const std::vector<float>& got, int channels) {
    float largest = 0;
    for (size_t i = 0; i < got.size(); ++i)
        largest = std::max(largest, std::fabs(got[i] - reference[frame * channels + i]));
    return largest;
}

class DecoderSeek : public testing::TestWithParam<SeekCase> {};

TEST_P(DecoderSeek, LandsOnTheExactFrame) {
    auto decoder = openOrFail(testsupport::fixture(GetParam().file));
    ASSERT_TRUE(decoder);
    const int channels = decoder->format().channels;
    const std::vector<float> reference = decodeAll(*decoder);
    const int64_t total = static_cast<int64_t>(reference.size()) / channels;
    constexpr int kBlock = 2000;
    std::vector<float> got(kBlock * channels);
    // Forwards, backwards, to the start, inside the first codec frame.
    for (int64_t target : {int64_t{44100}, int64_t{12345}, int64_t{0}, int64_t{1}, total / 2 + 7,
                           total - 3 * kBlock}) {
        SCOPED_TRACE(target);
        ASSERT_TRUE(decoder->seek(target));
        ASSERT_EQ(decoder->decode(got.data(), kBlock), kBlock);
        EXPECT_LE(largestDifference(reference, target, got, channels), GetParam().tolerance);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, DecoderSeek, testing::ValuesIn(kSeekable),
                         [](const testing::TestParamInfo<SeekCase>& info) {
                             std::string name = info.param.file;
                             std::replace_if(
                                 name.begin(), name.end(), [](char c) { return !std::isalnum(c); },
                                 '_');
                             return name;
                         });

TEST(DecoderSeekEdges, NearTheEndGivesTheRemainingFrames) {
    for (const char* file : {"tone_1k_3s.wav", "tone_1k_3s.flac"}) {
        SCOPED_TRACE(file);
        auto decoder = openOrFail(testsupport::fixture(file));
        ASSERT_TRUE(decoder);
        ASSERT_TRUE(decoder->seek(decoder->lengthFrames() - 10));
        EXPECT_EQ(decodertest::frameCount(decodeAll(*decoder), *decoder), 10);
        ASSERT_TRUE(decoder->seek(decoder->lengthFrames()));
        EXPECT_EQ(decoder->decode(std::vector<float>(200).data(), 100), 0);
    }
}

TEST(DecoderSeekEdges, RefusesPositionsOutsideTheStream) {
    auto decoder = openOrFail(testsupport::fixture("tone_1k_3s.wav"));
    ASSERT_TRUE(decoder);
    EXPECT_FALSE(decoder->seek(-1));
    EXPECT_FALSE(decoder->seek(decoder->lengthFrames() + 1));
    // A refused seek leaves the position alone.
    std::vector<float> block(200);
    EXPECT_EQ(decoder->decode(block.data(), 100), 100);
}

TEST(DecoderSeekEdges, AfterTheEndASeekBackDecodesAgain) {
    auto decoder = openOrFail(testsupport::fixture("tone_1k_3s.ogg"));
    ASSERT_TRUE(decoder);
    const int64_t first = decodertest::frameCount(decodeAll(*decoder), *decoder);
    ASSERT_TRUE(decoder->seek(0));
    EXPECT_EQ(decodertest::frameCount(decodeAll(*decoder), *decoder), first);
}

TEST(DecoderSeekEdges, WmaSeeksCloseToTheTarget) {
    // ASF timestamps are whole milliseconds, so the landing is within one.
    auto decoder = openOrFail(testsupport::fixture("tone_1k_3s.wma"));
    ASSERT_TRUE(decoder);
    ASSERT_TRUE(decoder->seek(88200));
    const int64_t rest = decodertest::frameCount(decodeAll(*decoder), *decoder);
    EXPECT_NEAR(rest, decoder->lengthFrames() - 88200, 2048 + 45);
}

} // namespace
