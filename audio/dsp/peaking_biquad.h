// A peaking equalizer biquad (RBJ audio EQ cookbook) in direct form I.
#pragma once

#include <cstddef>

namespace audio::dsp {

// Normalised coefficients (a0 = 1).
struct BiquadCoefficients {
    float b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
};

// centreHz is kept below the Nyquist frequency; the bandwidth is in octaves
// between the frequencies where the gain is half the peak's (in dB).
BiquadCoefficients designPeaking(double sampleRate, double centreHz, double bandwidthOctaves,
                                 double gainDb);

struct BiquadState {
    float x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

// Filters `frames` frames of `channels` interleaved samples in place, one
// state per channel.
void runBiquad(const BiquadCoefficients& k, BiquadState* states, int channels, float* samples,
               std::size_t frames);

} // namespace audio::dsp
