#include "audio/dsp/reverb.h"

#include "audio/dsp/dx8_parameters.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace audio::dsp {
namespace {

// Keeps the tail of a full-scale signal at the default settings around the
// level of the dry signal.
constexpr float kWetScale = 0.25f;

float fromDb(float db) {
    return std::pow(10.0f, db / 20.0f);
}

float sumOfFrame(const float* frame, std::size_t channels) {
    float sum = 0;
    for (std::size_t c = 0; c < channels; ++c)
        sum += frame[c];
    return sum;
}

} // namespace

Reverb::Reverb(int sampleRate, int channels)
    : RampedEffect(defaultReverb(), sampleRate, channels), network_(sampleRate) {
    jumpTo(defaultReverb());
}

// The gains glide as amplitudes: a glide in dB from -96 dB would put nearly
// all of the change into its last milliseconds.
Reverb::Values Reverb::valuesOf(const BASS_DX8_REVERB& p) {
    return {fromDb(p.fInGain), fromDb(p.fReverbMix), p.fReverbTime, p.fHighFreqRTRatio};
}

void Reverb::apply(const Values& values) {
    inputTarget_ = values[0];
    wetTarget_ = values[1] * kWetScale;
    network_.setDecay(values[2], values[3]);
}

void Reverb::settle() {
    inputGain_ = inputTarget_;
    wetGain_ = wetTarget_;
}

// The gains glide sample by sample from their values at the end of the last
// block to the targets of this one: steps of a few dB at block edges would
// be heard as zipper noise.
void Reverb::runFrames(float* samples, std::size_t frames) {
    const std::size_t channels = static_cast<std::size_t>(channels_);
    std::array<float, kRampChunkFrames> input, left, right;
    for (std::size_t done = 0; done < frames; done += kRampChunkFrames) {
        const std::size_t count = std::min(frames - done, kRampChunkFrames);
        float* block = samples + done * channels;
        const float inputSum = gatherInput(block, count, input.data());
        inputGain_ = inputTarget_;
        // A NaN or an infinity that got into the lines would circulate forever.
        if (!std::isfinite(inputSum))
            input.fill(0.0f);
        network_.process(input.data(), left.data(), right.data(), count);
        mixWet(block, left.data(), right.data(), count);
    }
}

// Mono input of the network: the channels' mean at the input gain. Returns
// the plain sum of the samples, to detect a NaN or an infinity.
float Reverb::gatherInput(const float* samples, std::size_t frames, float* input) const {
    const std::size_t channels = static_cast<std::size_t>(channels_);
    const float step = (inputTarget_ - inputGain_) / static_cast<float>(frames);
    const float share = 1.0f / static_cast<float>(channels);
    float total = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        const float sum = channels == 2 ? samples[2 * i] + samples[2 * i + 1]
                                        : sumOfFrame(samples + i * channels, channels);
        input[i] = sum * share * (inputGain_ + step * static_cast<float>(i + 1));
        total += sum;
    }
    return total;
}

void Reverb::mixWet(float* samples, const float* left, const float* right, std::size_t frames) {
    const std::size_t channels = static_cast<std::size_t>(channels_);
    const float step = (wetTarget_ - wetGain_) / static_cast<float>(frames);
    const float start = wetGain_;
    if (channels == 2) {
        for (std::size_t i = 0; i < frames; ++i) {
            const float gain = start + step * static_cast<float>(i + 1);
            samples[2 * i] += gain * left[i];
            samples[2 * i + 1] += gain * right[i];
        }
    } else if (channels == 1) {
        for (std::size_t i = 0; i < frames; ++i) {
            const float gain = start + step * static_cast<float>(i + 1);
            samples[i] += gain * (left[i] + right[i]) * 0.70710678f;
        }
    } else {
        for (std::size_t i = 0; i < frames; ++i) {
            const float gain = start + step * static_cast<float>(i + 1);
            for (std::size_t c = 0; c < channels; ++c)
                samples[i * channels + c] += gain * ((c & 1) ? right[i] : left[i]);
        }
    }
    wetGain_ = wetTarget_;
}

} // namespace audio::dsp
