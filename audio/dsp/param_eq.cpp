#include "audio/dsp/param_eq.h"

#include "audio/dsp/dx8_parameters.h"

#include <algorithm>
#include <cmath>

namespace audio::dsp {
namespace {

bool isFinite(const BiquadState& s) {
    return std::isfinite(s.x1) && std::isfinite(s.x2) && std::isfinite(s.y1) && std::isfinite(s.y2);
}

} // namespace

ParamEq::ParamEq(int sampleRate, int channels)
    : RampedEffect(defaultParamEq(), sampleRate, channels),
      states_(static_cast<std::size_t>(channels)) {
    jumpTo(defaultParamEq());
}

ParamEq::Values ParamEq::valuesOf(const BASS_DX8_PARAMEQ& p) {
    return {p.fCenter, p.fBandwidth, p.fGain};
}

void ParamEq::apply(const Values& values) {
    coefficients_ = designPeaking(sampleRate_, values[0], values[1] / 12.0, values[2]);
}

void ParamEq::runFrames(float* samples, std::size_t frames) {
    // A band at 0 dB is the identity; it only keeps its history current.
    if (!gliding() && values()[2] == 0.0f)
        passThrough(samples, frames);
    else
        runBiquad(coefficients_, states_.data(), channels_, samples, frames);
    if (!std::all_of(states_.begin(), states_.end(), isFinite))
        clearState();
}

void ParamEq::passThrough(const float* samples, std::size_t frames) {
    const std::size_t channels = static_cast<std::size_t>(channels_);
    for (std::size_t c = 0; c < channels; ++c) {
        BiquadState& s = states_[c];
        const float last = samples[(frames - 1) * channels + c];
        const float beforeLast = frames > 1 ? samples[(frames - 2) * channels + c] : s.x1;
        s.x1 = s.y1 = last;
        s.x2 = s.y2 = beforeLast;
    }
}

void ParamEq::clearState() {
    std::fill(states_.begin(), states_.end(), BiquadState{});
}

} // namespace audio::dsp
