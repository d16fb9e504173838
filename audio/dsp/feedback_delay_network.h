// An 8-line feedback delay network: the tail of the reverb. Each line loses
// the gain that makes it decay by 60 dB in the reverb time at low
// frequencies and in ratio * time at high ones (a first-order shelf).
#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace audio::dsp {

class FeedbackDelayNetwork {
public:
    static constexpr std::size_t kLines = 8;

    explicit FeedbackDelayNetwork(int sampleRate);

    void setDecay(float reverbTimeMs, float highFrequencyRatio);

    // Feeds `frames` mono input samples; writes two decorrelated outputs.
    void process(const float* input, float* left, float* right, std::size_t frames);
    void clear();

private:
    using Lines = std::array<float, kLines>;

    std::array<std::size_t, kLines> lengths_{};
    Lines lowGain_{};
    Lines highGain_{};
    Lines lowpass_{};
    float lowpassPole_;
    float sampleRate_;
    std::size_t mask_;
    std::size_t writeIndex_ = 0;
    std::vector<float> buffer_; // [position][line]
};

} // namespace audio::dsp
