#include "audio/dsp/feedback_delay_network.h"

#include "audio/dsp/fused_multiply_add.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

namespace audio::dsp {
namespace {

// Mutually prime lengths between 25 and 47 ms at 44.1 kHz: dense modes and
// no common echo period.
constexpr std::array<std::size_t, FeedbackDelayNetwork::kLines> kLengthsAt44k = {
    1109, 1291, 1427, 1559, 1699, 1801, 1949, 2083};
constexpr float kShelfCrossoverHz = 4000.0f;

// The lines are handled as two vectors of four.
using Quad = float __attribute__((vector_size(16)));

Quad loadQuad(const float* p) {
    Quad q;
    __builtin_memcpy(&q, p, sizeof q);
    return q;
}

void storeQuad(float* p, Quad q) {
    __builtin_memcpy(p, &q, sizeof q);
}

} // namespace

FeedbackDelayNetwork::FeedbackDelayNetwork(int sampleRate)
    : lowpassPole_(std::exp(-2.0f * std::numbers::pi_v<float> * kShelfCrossoverHz /
                            static_cast<float>(sampleRate))),
      sampleRate_(static_cast<float>(sampleRate)) {
    const double scale = sampleRate / 44100.0;
    for (std::size_t i = 0; i < kLines; ++i)
        lengths_[i] = std::max<std::size_t>(
            1, static_cast<std::size_t>(std::lround(kLengthsAt44k[i] * scale)));
    mask_ = std::bit_ceil(*std::max_element(lengths_.begin(), lengths_.end()) + 1) - 1;
    buffer_.assign((mask_ + 1) * kLines, 0.0f);
}

void FeedbackDelayNetwork::setDecay(float reverbTimeMs, float highFrequencyRatio) {
    const float seconds = reverbTimeMs * 0.001f;
    for (std::size_t i = 0; i < kLines; ++i) {
        const float decibelsPerPass =
            -60.0f * static_cast<float>(lengths_[i]) / (seconds * sampleRate_);
        lowGain_[i] = std::pow(10.0f, decibelsPerPass / 20.0f);
        highGain_[i] = std::pow(10.0f, decibelsPerPass / (20.0f * highFrequencyRatio));
    }
}

// The lines are mixed by the Householder matrix I - (2/N) * ones: lossless
// (orthogonal), so all decay comes from the line gains, and it costs one sum.
QUAVERLY_FUSED_MULTIPLY_ADD
void FeedbackDelayNetwork::process(const float* input, float* left, float* right,
                                   std::size_t frames) {
    const Quad pole = {lowpassPole_, lowpassPole_, lowpassPole_, lowpassPole_};
    const Quad zero = 1.0f - pole;
    const Quad highA = loadQuad(&highGain_[0]), highB = loadQuad(&highGain_[4]);
    const Quad shelfA = loadQuad(&lowGain_[0]) - highA, shelfB = loadQuad(&lowGain_[4]) - highB;
    const Quad sign = {1, -1, 1, -1};
    Quad lowpassA = loadQuad(&lowpass_[0]), lowpassB = loadQuad(&lowpass_[4]);
    std::array<std::size_t, kLines> readIndex;
    for (std::size_t i = 0; i < kLines; ++i)
        readIndex[i] = writeIndex_ - lengths_[i];
    std::size_t write = writeIndex_;
    float* buffer = buffer_.data();
    const std::size_t mask = mask_;
    for (std::size_t n = 0; n < frames; ++n) {
        auto tap = [&](std::size_t line) {
            return buffer[((readIndex[line] + n) & mask) * kLines + line];
        };
        const Quad outA = {tap(0), tap(1), tap(2), tap(3)};
        const Quad outB = {tap(4), tap(5), tap(6), tap(7)};
        // Written so that the state's own chain is one multiply-add.
        lowpassA = zero * outA + pole * lowpassA;
        lowpassB = zero * outB + pole * lowpassB;
        const Quad feedbackA = highA * outA + shelfA * lowpassA;
        const Quad feedbackB = highB * outB + shelfB * lowpassB;
        const Quad both = feedbackA + feedbackB;
        const float reflected = 0.25f * ((both[0] + both[1]) + (both[2] + both[3]));
        const Quad in = sign * input[n] - reflected;
        float* slot = buffer + write * kLines;
        storeQuad(slot, feedbackA + in);
        storeQuad(slot + 4, feedbackB + in);
        write = (write + 1) & mask;
        left[n] = (outA[0] - outA[2]) + (outB[0] - outB[2]);
        right[n] = (outA[1] - outA[3]) + (outB[1] - outB[3]);
    }
    writeIndex_ = write;
    storeQuad(&lowpass_[0], lowpassA);
    storeQuad(&lowpass_[4], lowpassB);
}

void FeedbackDelayNetwork::clear() {
    std::fill(buffer_.begin(), buffer_.end(), 0.0f);
    lowpass_.fill(0.0f);
}

} // namespace audio::dsp
