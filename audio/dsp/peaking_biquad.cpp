#include "audio/dsp/peaking_biquad.h"

#include "audio/dsp/fused_multiply_add.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace audio::dsp {

BiquadCoefficients designPeaking(double sampleRate, double centreHz, double bandwidthOctaves,
                                 double gainDb) {
    // Near Nyquist the bandwidth pre-warp term below grows without bound.
    const double centre = std::min(centreHz, 0.45 * sampleRate);
    const double w0 = 2.0 * std::numbers::pi * centre / sampleRate;
    const double a = std::pow(10.0, gainDb / 40.0);
    const double sinW0 = std::sin(w0);
    const double alpha = sinW0 * std::sinh(std::log(2.0) / 2.0 * bandwidthOctaves * w0 / sinW0);
    const double a0 = 1.0 + alpha / a;
    BiquadCoefficients k;
    k.b0 = static_cast<float>((1.0 + alpha * a) / a0);
    k.b1 = static_cast<float>(-2.0 * std::cos(w0) / a0);
    k.b2 = static_cast<float>((1.0 - alpha * a) / a0);
    k.a1 = k.b1;
    k.a2 = static_cast<float>((1.0 - alpha / a) / a0);
    return k;
}

namespace {

// The feedback term of the previous output is added last so that the
// recurrence from one sample to the next is a single multiply-add: the
// filter's speed is bound by that chain, not by the arithmetic.
inline float step(const BiquadCoefficients& k, BiquadState& s, float x) {
    const float feedForward = k.b0 * x + k.b1 * s.x1 + k.b2 * s.x2 - k.a2 * s.y2;
    const float y = feedForward - k.a1 * s.y1;
    s.x2 = s.x1;
    s.x1 = x;
    s.y2 = s.y1;
    s.y1 = y;
    return y;
}

// Stereo frames are filtered as one vector (two lanes used) so that both
// channels share each instruction; the samples pointer cannot alias the
// local copies, so nothing is reloaded inside the loop.
using Lanes = float __attribute__((vector_size(16)));

QUAVERLY_FUSED_MULTIPLY_ADD
void runStereo(const BiquadCoefficients& k, BiquadState* states, float* samples,
               std::size_t frames) {
    const Lanes b0 = {k.b0, k.b0, 0, 0}, b1 = {k.b1, k.b1, 0, 0}, b2 = {k.b2, k.b2, 0, 0};
    const Lanes a1 = {k.a1, k.a1, 0, 0}, a2 = {k.a2, k.a2, 0, 0};
    Lanes x1 = {states[0].x1, states[1].x1, 0, 0}, x2 = {states[0].x2, states[1].x2, 0, 0};
    Lanes y1 = {states[0].y1, states[1].y1, 0, 0}, y2 = {states[0].y2, states[1].y2, 0, 0};
    for (std::size_t i = 0; i < frames; ++i) {
        float* frame = samples + 2 * i;
        const Lanes x = {frame[0], frame[1], 0, 0};
        const Lanes y = (b0 * x + b1 * x1 + b2 * x2 - a2 * y2) - a1 * y1;
        frame[0] = y[0];
        frame[1] = y[1];
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
    }
    for (int c = 0; c < 2; ++c)
        states[c] = {x1[c], x2[c], y1[c], y2[c]};
}

void runStrided(const BiquadCoefficients& coefficients, BiquadState* states, int channels,
                float* samples, std::size_t frames) {
    const BiquadCoefficients k = coefficients; // see runStereo
    for (int c = 0; c < channels; ++c) {
        BiquadState s = states[c];
        float* p = samples + c;
        for (std::size_t i = 0; i < frames; ++i, p += channels)
            *p = step(k, s, *p);
        states[c] = s;
    }
}

} // namespace

void runBiquad(const BiquadCoefficients& k, BiquadState* states, int channels, float* samples,
               std::size_t frames) {
    switch (channels) {
    case 2:
        runStereo(k, states, samples, frames);
        break;
    default:
        runStrided(k, states, channels, samples, frames);
        break;
    }
}

} // namespace audio::dsp
