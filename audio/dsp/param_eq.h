// BASS_FX_DX8_PARAMEQ: one peaking band.
#pragma once

#include "audio/api/bass.h"
#include "audio/dsp/peaking_biquad.h"
#include "audio/dsp/ramped_effect.h"

#include <vector>

namespace audio::dsp {

class ParamEq final : public RampedEffect<ParamEq, BASS_DX8_PARAMEQ, 3> {
public:
    ParamEq(int sampleRate, int channels);

private:
    friend RampedEffect;

    // centre Hz, bandwidth semitones, gain dB
    static Values valuesOf(const BASS_DX8_PARAMEQ& p);
    void apply(const Values& values);
    void clearState();
    void runFrames(float* samples, std::size_t frames);
    void passThrough(const float* samples, std::size_t frames);

    BiquadCoefficients coefficients_;
    std::vector<BiquadState> states_;
};

} // namespace audio::dsp
