// Helpers shared by the decoder tests: decode a whole stream, measure a tone.
#pragma once

#include "audio/codecs/decoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace decodertest {

inline std::unique_ptr<audio::Decoder> openOrFail(const std::string& path) {
    int error = 0;
    auto decoder = audio::Decoder::openFile(path, &error);
    EXPECT_TRUE(decoder) << path << " failed with error " << error;
    return decoder;
}

// Decodes in blocks of blockFrames until the end; stops after maxFrames
// frames so a decoder that never ends fails the test instead of hanging.
inline std::vector<float> decodeAll(audio::Decoder& decoder, int blockFrames = 4096,
                                    int64_t maxFrames = 60 * 48000) {
    const int channels = decoder.format().channels;
    std::vector<float> all;
    std::vector<float> block(static_cast<size_t>(blockFrames) * channels);
    int64_t total = 0;
    for (int got; (got = decoder.decode(block.data(), blockFrames)) > 0;) {
        all.insert(all.end(), block.begin(), block.begin() + got * channels);
        total += got;
        if (total > maxFrames) {
            ADD_FAILURE() << "decoder does not end";
            break;
        }
    }
    return all;
}

inline int64_t frameCount(const std::vector<float>& samples, const audio::Decoder& decoder) {
    return static_cast<int64_t>(samples.size()) / decoder.format().channels;
}

// Frequency of one channel from its zero crossings, skipping the edges.
inline double toneFrequency(const std::vector<float>& samples, int channels, int rate,
                            int channel = 0) {
    const size_t frames = samples.size() / channels;
    const size_t first = frames / 10;
    const size_t last = frames - frames / 10;
    int crossings = 0;
    for (size_t i = first + 1; i < last; ++i)
        if ((samples[(i - 1) * channels + channel] < 0) != (samples[i * channels + channel] < 0))
            ++crossings;
    return crossings / 2.0 / (static_cast<double>(last - first - 1) / rate);
}

inline double rms(const std::vector<float>& samples, int channels, int channel = 0) {
    const size_t frames = samples.size() / channels;
    double sum = 0;
    for (size_t i = frames / 10; i < frames - frames / 10; ++i)
        sum += samples[i * channels + channel] * samples[i * channels + channel];
    return std::sqrt(sum / static_cast<double>(frames - frames / 5));
}

} // namespace decodertest
