#include "dsp/param_eq.h"

#include "dsp/denormal_guard.h"
#include "dsp/dx8_parameters.h"
#include "dsp/ramp_timing.h"

#include <algorithm>
#include <cmath>

namespace audio::dsp {
namespace {

ParameterRamp<3>::Values valuesOf(const BASS_DX8_PARAMEQ& p) {
    return {p.fCenter, p.fBandwidth, p.fGain};
}

bool isFinite(const BiquadState& s) {
    return std::isfinite(s.x1) && std::isfinite(s.x2) && std::isfinite(s.y1) && std::isfinite(s.y2);
}

} // namespace

ParamEq::ParamEq(int sampleRate, int channels)
    : RecordEffect(defaultParamEq()), sampleRate_(sampleRate), channels_(channels),
      states_(static_cast<std::size_t>(channels)) {
    ramp_.jumpTo(valuesOf(defaultParamEq()));
    design(ramp_.current());
}

void ParamEq::process(float* samples, std::size_t frames) {
    ScopedFlushDenormals flush;
    collectNews();
    std::size_t done = 0;
    while (done < frames) {
        std::size_t count = frames - done;
        if (ramp_.active()) {
            count = std::min(count, kRampChunkFrames);
            design(ramp_.step());
        }
        float* block = samples + done * static_cast<std::size_t>(channels_);
        // A band at 0 dB is the identity; it only keeps its history current.
        if (!ramp_.active() && ramp_.current()[2] == 0.0f)
            passThrough(block, count);
        else
            runBiquad(coefficients_, states_.data(), channels_, block, count);
        done += count;
    }
    if (!std::all_of(states_.begin(), states_.end(), isFinite))
        clearState();
    started_ = started_ || frames > 0;
}

void ParamEq::collectNews() {
    const auto news = mailbox_.collect();
    if (news.reset)
        clearState();
    if (!news.changed)
        return;
    // Before any audio has passed there is nothing to glide from.
    if (started_) {
        ramp_.rampTo(valuesOf(news.record), rampSteps(sampleRate_));
    } else {
        ramp_.jumpTo(valuesOf(news.record));
        design(ramp_.current());
    }
}

void ParamEq::design(const Ramp::Values& values) {
    coefficients_ = designPeaking(sampleRate_, values[0], values[1] / 12.0, values[2]);
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
