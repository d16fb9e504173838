// BASS_FX_DX8_COMPRESSOR: a feed-forward compressor with a peak detector,
// hard knee, gain reduction smoothed in the dB domain, look-ahead
// (pre-delay) and make-up gain.
#pragma once

#include "audio/api/bass.h"
#include "audio/dsp/frame_delay.h"
#include "audio/dsp/ramped_effect.h"

namespace audio::dsp {

// The detector and the gain computer run once per period (endPeriod); the
// gain in between moves linearly, so the audio never sees a step.
class Compressor final : public RampedEffect<Compressor, BASS_DX8_COMPRESSOR, 6, true> {
public:
    Compressor(int sampleRate, int channels);

private:
    friend RampedEffect;

    // make-up dB, attack ms, release ms, threshold dB, ratio, pre-delay ms
    static Values valuesOf(const BASS_DX8_COMPRESSOR& p);
    void apply(const Values& values);
    void settle() { clearState(); }
    void clearState();
    void runFrames(float* samples, std::size_t frames);
    void endPeriod();
    static float staticReductionDb(float levelDb, const Values& values);
    float targetGain(const Values& values) const;
    float predelayFrames(const Values& values) const;

    FrameDelay delay_;

    float attack_ = 0;
    float release_ = 0;
    // Detector, updated once per period from the period's peak.
    float periodPeak_ = 0;
    float heldReductionDb_ = 0;
    float reductionDb_ = 0;
    // Gain and delay of the audio, each moving linearly to its next target.
    float gain_ = 1;
    float gainStep_ = 0;
    float delayFrames_ = 0;
    float delayStep_ = 0;
    float periodTargetGain_ = 1;
    float periodTargetDelay_ = 0;
};

} // namespace audio::dsp
