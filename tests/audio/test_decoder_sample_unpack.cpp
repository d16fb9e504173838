// Decoded samples of every FFmpeg sample format, planar and packed, unpacked
// to interleaved float without a resampler.
#include "audio/codecs/ffmpeg/sample_unpack.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

struct FormatValues {
    AVSampleFormat packed;
    // Raw samples (an 80-bit long double holds every one exactly) and the
    // floats they stand for, worked out by hand from each format's full scale.
    std::vector<long double> raw;
    std::vector<float> expected;
};

const FormatValues kFormats[] = {
    {AV_SAMPLE_FMT_U8, {0, 128, 255, 192, 64}, {-1.0f, 0.0f, 127 / 128.f, 0.5f, -0.5f}},
    {AV_SAMPLE_FMT_S16,
     {-32768, 0, 32767, 16384, -1},
     {-1.0f, 0.0f, 32767 / 32768.f, 0.5f, -1 / 32768.f}},
    // 24-bit audio sits in the top bits of s32 (FLAC, ALAC, WavPack).
    {AV_SAMPLE_FMT_S32,
     {-2147483648.0L, 0, 0x7fffff00, 1 << 30, -256},
     {-1.0f, 0.0f, 8388607 / 8388608.f, 0.5f, -1 / 8388608.f}},
    {AV_SAMPLE_FMT_S64,
     {static_cast<long double>(std::numeric_limits<int64_t>::min()), 0, 4611686018427387904.0L,
      -2305843009213693952.0L, 1},
     {-1.0f, 0.0f, 0.5f, -0.25f, 0x1p-63f}},
    // Float passes unchanged, overs included: the engine's limiter handles them.
    {AV_SAMPLE_FMT_FLT, {-1, 0, 0.25L, 1.5L, -0.125L}, {-1.0f, 0.0f, 0.25f, 1.5f, -0.125f}},
    {AV_SAMPLE_FMT_DBL,
     {-1, 0, 0.1L, 2, 1.0L / 3},
     {-1.0f, 0.0f, static_cast<float>(0.1), 2.0f, static_cast<float>(1.0 / 3)}},
};

void appendSample(AVSampleFormat packed, long double value, std::vector<uint8_t>& bytes) {
    const auto put = [&bytes](auto typed) {
        const size_t at = bytes.size();
        bytes.resize(at + sizeof(typed));
        std::memcpy(bytes.data() + at, &typed, sizeof(typed));
    };
    switch (packed) {
    case AV_SAMPLE_FMT_U8:
        return put(static_cast<uint8_t>(value));
    case AV_SAMPLE_FMT_S16:
        return put(static_cast<int16_t>(value));
    case AV_SAMPLE_FMT_S32:
        return put(static_cast<int32_t>(value));
    case AV_SAMPLE_FMT_S64:
        return put(static_cast<int64_t>(value));
    case AV_SAMPLE_FMT_FLT:
        return put(static_cast<float>(value));
    default:
        return put(static_cast<double>(value));
    }
}

TEST(SampleUnpack, EveryFormatPlanarAndPackedGivesInterleavedFullScaleFloat) {
    constexpr int kFrames = 7;
    for (const FormatValues& values : kFormats) {
        const size_t count = values.raw.size();
        for (const bool planar : {false, true}) {
            const AVSampleFormat format =
                planar ? av_get_planar_sample_fmt(values.packed) : values.packed;
            ASSERT_TRUE(audio::canUnpack(format));
            for (const int channels : {1, 2, 6}) {
                SCOPED_TRACE(std::string(av_get_sample_fmt_name(format)) + ", " +
                             std::to_string(channels) + " channels");
                // Channel c of frame i carries value (i + 2c) mod count, so that
                // every channel differs from its neighbours.
                const auto which = [&](int i, int c) { return (i + 2 * c) % count; };
                std::vector<std::vector<uint8_t>> planes(planar ? channels : 1);
                for (int i = 0; i < kFrames; ++i)
                    for (int c = 0; c < channels; ++c)
                        appendSample(values.packed, values.raw[which(i, c)],
                                     planes[planar ? c : 0]);
                std::vector<const uint8_t*> pointers;
                for (const auto& plane : planes)
                    pointers.push_back(plane.data());

                std::vector<float> out(kFrames * channels + 1, 99.0f);
                audio::unpackSamples(format, pointers.data(), channels, kFrames, out.data());
                for (int i = 0; i < kFrames; ++i)
                    for (int c = 0; c < channels; ++c)
                        EXPECT_EQ(out[i * channels + c], values.expected[which(i, c)])
                            << "frame " << i << ", channel " << c;
                EXPECT_EQ(out.back(), 99.0f) << "nothing written past the frames";
            }
        }
    }
}

TEST(SampleUnpack, FormatsWithoutSamplesAreNotUnpacked) {
    EXPECT_FALSE(audio::canUnpack(AV_SAMPLE_FMT_NONE));
    EXPECT_FALSE(audio::canUnpack(AV_SAMPLE_FMT_NB));
}

} // namespace
