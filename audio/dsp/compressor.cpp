#include "audio/dsp/compressor.h"

#include "audio/dsp/dx8_parameters.h"
#include "audio/dsp/fast_math.h"

#include <algorithm>
#include <cmath>

namespace audio::dsp {
namespace {

constexpr std::size_t kControlFrames = kRampChunkFrames;
constexpr float kSilenceDb = -120.0f;
constexpr float kMaxPredelayMs = 4.0f;

float toDb(float amplitude) {
    return amplitude > 1e-6f ? amplitudeToDb(amplitude) : kSilenceDb;
}

float smoothingCoefficient(float milliseconds, int sampleRate) {
    const float periods = milliseconds * 0.001f * static_cast<float>(sampleRate) / kControlFrames;
    return std::exp(-1.0f / periods);
}

std::size_t maxPredelayFrames(int sampleRate) {
    return static_cast<std::size_t>(std::ceil(kMaxPredelayMs * 0.001 * sampleRate));
}

// Four running maxima: one would chain every sample to the one before.
float peakOf(const float* samples, std::size_t count) {
    float peaks[4] = {0, 0, 0, 0};
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4)
        for (std::size_t lane = 0; lane < 4; ++lane)
            peaks[lane] = std::max(peaks[lane], std::fabs(samples[i + lane]));
    for (; i < count; ++i)
        peaks[0] = std::max(peaks[0], std::fabs(samples[i]));
    return std::max(std::max(peaks[0], peaks[1]), std::max(peaks[2], peaks[3]));
}

} // namespace

Compressor::Compressor(int sampleRate, int channels)
    : RampedEffect(defaultCompressor(), sampleRate, channels),
      delay_(channels, maxPredelayFrames(sampleRate), kControlFrames) {
    jumpTo(defaultCompressor());
}

Compressor::Values Compressor::valuesOf(const BASS_DX8_COMPRESSOR& p) {
    return {p.fGain, p.fAttack, p.fRelease, p.fThreshold, p.fRatio, p.fPredelay};
}

void Compressor::runFrames(float* samples, std::size_t frames) {
    const std::size_t channels = static_cast<std::size_t>(channels_);
    periodPeak_ = std::max(periodPeak_, peakOf(samples, frames * channels));
    delay_.process(samples, frames, delayFrames_, delayStep_);
    delayFrames_ += delayStep_ * static_cast<float>(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const float gain = gain_ + gainStep_ * static_cast<float>(i + 1);
        for (std::size_t c = 0; c < channels; ++c)
            samples[i * channels + c] *= gain;
    }
    gain_ += gainStep_ * static_cast<float>(frames);
}

void Compressor::endPeriod() {
    const Values& values = this->values();
    const float levelDb = std::isfinite(periodPeak_) ? toDb(periodPeak_) : kSilenceDb;
    const float wantedDb = staticReductionDb(levelDb, values);
    // Smooth decoupled peak detector on the gain reduction: held with the
    // release time, then followed with the attack time, so the reduction
    // grows with the attack and shrinks with the release.
    heldReductionDb_ =
        std::max(wantedDb, release_ * heldReductionDb_ + (1.0f - release_) * wantedDb);
    reductionDb_ = attack_ * reductionDb_ + (1.0f - attack_) * heldReductionDb_;
    // Each period ends exactly on its targets, so no rounding drift builds up.
    gain_ = periodTargetGain_;
    delayFrames_ = periodTargetDelay_;
    periodTargetGain_ = targetGain(values);
    periodTargetDelay_ = predelayFrames(values);
    gainStep_ = (periodTargetGain_ - gain_) / kControlFrames;
    delayStep_ = (periodTargetDelay_ - delayFrames_) / kControlFrames;
    periodPeak_ = 0;
}

float Compressor::staticReductionDb(float levelDb, const Values& values) {
    const float thresholdDb = values[3];
    const float ratio = values[4];
    return std::max(0.0f, levelDb - thresholdDb) * (1.0f - 1.0f / ratio);
}

float Compressor::targetGain(const Values& values) const {
    return dbToAmplitude(values[0] - reductionDb_);
}

// Whole frames: the steady delay is then a plain copy. Fractions appear only
// while the delay glides to a new value.
float Compressor::predelayFrames(const Values& values) const {
    return std::round(values[5] * 0.001f * static_cast<float>(sampleRate_));
}

void Compressor::apply(const Values& values) {
    attack_ = smoothingCoefficient(values[1], sampleRate_);
    release_ = smoothingCoefficient(values[2], sampleRate_);
}

void Compressor::clearState() {
    delay_.clear();
    periodPeak_ = 0;
    heldReductionDb_ = reductionDb_ = 0;
    gain_ = periodTargetGain_ = targetGain(values());
    gainStep_ = 0;
    delayFrames_ = periodTargetDelay_ = predelayFrames(values());
    delayStep_ = 0;
}

} // namespace audio::dsp
