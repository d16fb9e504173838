// BASS_FX_DX8_COMPRESSOR: a feed-forward compressor with a peak detector,
// hard knee, gain reduction smoothed in the dB domain, look-ahead
// (pre-delay) and make-up gain.
#pragma once

#include "bass.h"
#include "dsp/frame_delay.h"
#include "dsp/parameter_ramp.h"
#include "dsp/record_effect.h"

namespace audio::dsp {

class Compressor final : public RecordEffect<BASS_DX8_COMPRESSOR> {
public:
    Compressor(int sampleRate, int channels);

    void process(float* samples, std::size_t frames) override;

private:
    // make-up dB, attack ms, release ms, threshold dB, ratio, pre-delay ms
    using Ramp = ParameterRamp<6>;

    void collectNews();
    void runFrames(float* samples, std::size_t frames);
    void endControlPeriod();
    static float staticReductionDb(float levelDb, const Ramp::Values& values);
    float targetGain(const Ramp::Values& values) const;
    float predelayFrames(const Ramp::Values& values) const;
    void updateTimeConstants(const Ramp::Values& values);
    void clearState();

    int sampleRate_;
    int channels_;
    Ramp ramp_;
    FrameDelay delay_;

    float attack_ = 0;
    float release_ = 0;
    // Detector, updated once per control period from the period's peak.
    float periodPeak_ = 0;
    std::size_t periodFramesLeft_;
    float heldReductionDb_ = 0;
    float reductionDb_ = 0;
    // Gain and delay of the audio, each moving linearly to its next target.
    float gain_ = 1;
    float gainStep_ = 0;
    float delayFrames_ = 0;
    float delayStep_ = 0;
    float periodTargetGain_ = 1;
    float periodTargetDelay_ = 0;
    bool started_ = false;
};

} // namespace audio::dsp
