// BASS_FX_DX8_PARAMEQ: one peaking band.
#pragma once

#include "bass.h"
#include "dsp/parameter_ramp.h"
#include "dsp/peaking_biquad.h"
#include "dsp/record_effect.h"

#include <vector>

namespace audio::dsp {

class ParamEq final : public RecordEffect<BASS_DX8_PARAMEQ> {
public:
    ParamEq(int sampleRate, int channels);

    void process(float* samples, std::size_t frames) override;

private:
    // centre Hz, bandwidth semitones, gain dB
    using Ramp = ParameterRamp<3>;

    void collectNews();
    void design(const Ramp::Values& values);
    void passThrough(const float* samples, std::size_t frames);
    void clearState();

    int sampleRate_;
    int channels_;
    Ramp ramp_;
    BiquadCoefficients coefficients_;
    std::vector<BiquadState> states_;
    bool started_ = false;
};

} // namespace audio::dsp
