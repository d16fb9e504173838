// Signal generation and measurement shared by the effect tests.
#pragma once

#include "audio/dsp/effect.h"

#include <cmath>
#include <cstddef>
#include <numbers>
#include <vector>

namespace dsptest {

// Interleaved sine on every channel.
inline std::vector<float> sine(double hz, double amplitude, int rate, int channels,
                               std::size_t frames, std::size_t phaseFrames = 0) {
    std::vector<float> out(frames * channels);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i + phaseFrames) / rate;
        const float v = static_cast<float>(amplitude * std::sin(2 * std::numbers::pi * hz * t));
        for (int c = 0; c < channels; ++c)
            out[i * channels + c] = v;
    }
    return out;
}

// Processes in buffers of `block` frames, as the mixer does.
inline void run(audio::dsp::Effect& effect, std::vector<float>& samples, int channels,
                std::size_t block = 512) {
    const std::size_t frames = samples.size() / channels;
    for (std::size_t i = 0; i < frames; i += block)
        effect.process(samples.data() + i * channels, std::min(block, frames - i));
}

// RMS of one channel over frames [from, to).
inline double rms(const std::vector<float>& s, int channels, int channel, std::size_t from,
                  std::size_t to) {
    double sum = 0;
    for (std::size_t i = from; i < to; ++i)
        sum += double(s[i * channels + channel]) * s[i * channels + channel];
    return std::sqrt(sum / double(to - from));
}

inline double db(double ratio) {
    return 20.0 * std::log10(ratio);
}

// Largest second difference of one channel over frames [from, to): small for
// smooth signals, large at a click.
inline double maxSecondDifference(const std::vector<float>& s, int channels, int channel,
                                  std::size_t from, std::size_t to) {
    double worst = 0;
    for (std::size_t i = from + 2; i < to; ++i) {
        const double d = s[i * channels + channel] - 2.0 * s[(i - 1) * channels + channel] +
                         s[(i - 2) * channels + channel];
        worst = std::max(worst, std::fabs(d));
    }
    return worst;
}

inline bool allFinite(const std::vector<float>& s) {
    for (float v : s)
        if (!std::isfinite(v))
            return false;
    return true;
}

} // namespace dsptest
