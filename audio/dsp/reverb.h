// BASS_FX_DX8_REVERB with the Waves reverb parameters.
//
// The output is the dry signal plus the reverb tail at fReverbMix: 0 dB adds
// the tail at full level, -96 dB leaves practically the dry signal alone.
// fInGain scales what enters the reverb (not the dry signal); fReverbTime is
// the time in which the tail decays by 60 dB, and fHighFreqRTRatio the
// ratio of the decay time above about 4 kHz to that time.
#pragma once

#include "audio/api/bass.h"
#include "audio/dsp/feedback_delay_network.h"
#include "audio/dsp/ramped_effect.h"

namespace audio::dsp {

class Reverb final : public RampedEffect<Reverb, BASS_DX8_REVERB, 4> {
public:
    Reverb(int sampleRate, int channels);

private:
    friend RampedEffect;

    // input gain, wet gain (amplitudes), time ms, high-frequency ratio
    static Values valuesOf(const BASS_DX8_REVERB& p);
    void apply(const Values& values);
    void settle();
    void clearState() { network_.clear(); }
    void runFrames(float* samples, std::size_t frames);
    float gatherInput(const float* samples, std::size_t frames, float* input) const;
    void mixWet(float* samples, const float* left, const float* right, std::size_t frames);

    FeedbackDelayNetwork network_;
    float inputGain_ = 1;
    float inputTarget_ = 1;
    float wetGain_ = 1;
    float wetTarget_ = 1;
};

} // namespace audio::dsp
