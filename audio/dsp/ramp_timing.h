// How parameter changes are spread over time by every effect.
#pragma once

#include <cstddef>

namespace audio::dsp {

// Coefficients are recomputed every kRampChunkFrames frames while a change
// ramps in, over about kRampMilliseconds.
inline constexpr std::size_t kRampChunkFrames = 32;
inline constexpr double kRampMilliseconds = 15.0;

inline int rampSteps(int sampleRate) {
    const double frames = kRampMilliseconds * 0.001 * sampleRate;
    const int steps = static_cast<int>(frames / kRampChunkFrames);
    return steps > 0 ? steps : 1;
}

} // namespace audio::dsp
