#include "test_dsp_signal.h"

#include "audio/api/bass.h"
#include "audio/dsp/effect.h"

#include <gtest/gtest.h>
#include <limits>

using audio::dsp::createEffect;
using namespace dsptest;

namespace {

constexpr int kRate = 44100;

std::unique_ptr<audio::dsp::Effect> reverb(BASS_DX8_REVERB p, int channels = 2) {
    auto effect = createEffect(BASS_FX_DX8_REVERB, kRate, channels);
    EXPECT_TRUE(effect->setParameters(&p));
    std::vector<float> settle(channels * kRate / 20, 0.0f); // the parameters glide in
    run(*effect, settle, channels);
    return effect;
}

// Feeds the input followed by silence; returns the output from the end of
// the input on (the tail alone).
std::vector<float> tailAfter(audio::dsp::Effect& effect, std::vector<float> input,
                             double tailSeconds) {
    const std::size_t inputSamples = input.size();
    input.resize(inputSamples + static_cast<std::size_t>(tailSeconds * kRate) * 2, 0.0f);
    run(effect, input, 2);
    return {input.begin() + inputSamples, input.end()};
}

// Decay time from the energy decay curve (backward integration) between -5
// and -25 dB, extrapolated to 60 dB.
double decayTimeSeconds(const std::vector<float>& tail) {
    const std::size_t frames = tail.size() / 2;
    std::vector<double> remaining(frames + 1, 0.0);
    for (std::size_t i = frames; i-- > 0;)
        remaining[i] = remaining[i + 1] + double(tail[2 * i]) * tail[2 * i];
    const auto crossing = [&](double dbDown) {
        for (std::size_t i = 0; i < frames; ++i)
            if (10 * std::log10(remaining[i] / remaining[0]) < -dbDown)
                return static_cast<double>(i) / kRate;
        return -1.0;
    };
    const double early = crossing(5);
    const double late = crossing(25);
    EXPECT_GT(early, 0.0);
    EXPECT_GT(late, early);
    return (late - early) * 3.0;
}

std::vector<float> impulse() {
    std::vector<float> one(2, 0.0f);
    one[0] = one[1] = 1.0f;
    return one;
}

// Share of the tail's energy in its sample-to-sample differences: more for
// a brighter tail.
double brightness(const std::vector<float>& tail, std::size_t from, std::size_t to) {
    double energy = 0;
    double differences = 0;
    for (std::size_t i = from; i < to; ++i) {
        energy += double(tail[2 * i]) * tail[2 * i];
        const double d = double(tail[2 * i]) - tail[2 * (i - 1)];
        differences += d * d;
    }
    return differences / energy;
}

} // namespace

TEST(DspReverb, TailDecaysBy60DbInTheReverbTime) {
    for (const float seconds : {0.3f, 1.5f, 3.0f}) {
        auto effect = reverb({0, 0, seconds * 1000, 0.999f});
        const auto tail = tailAfter(*effect, impulse(), seconds * 1.2);
        EXPECT_NEAR(decayTimeSeconds(tail), seconds, seconds * 0.2) << seconds;
    }
}

TEST(DspReverb, DefaultsDecayInTheirTimeAt1kHz) {
    auto effect = createEffect(BASS_FX_DX8_REVERB, kRate, 2);
    const auto tail = tailAfter(*effect, sine(1000, 0.5, kRate, 2, kRate / 5), 1.2);
    EXPECT_NEAR(decayTimeSeconds(tail), 1.0, 0.2);
}

TEST(DspReverb, HighFrequencyRatioDarkensTheTail) {
    auto bright = reverb({0, 0, 1500, 0.999f});
    auto dark = reverb({0, 0, 1500, 0.1f});
    const auto brightTail = tailAfter(*bright, impulse(), 0.6);
    const auto darkTail = tailAfter(*dark, impulse(), 0.6);
    const std::size_t from = kRate / 5, to = kRate / 2;
    EXPECT_LT(brightness(darkTail, from, to), 0.3 * brightness(brightTail, from, to));
}

TEST(DspReverb, MixSetsTheWetLevelAndTheDryPassesUnchanged) {
    auto quiet = reverb({0, -96, 1000, 0.5f});
    auto signal = sine(440, 0.5, kRate, 2, kRate / 2);
    const auto dry = signal;
    run(*quiet, signal, 2);
    double worst = 0;
    for (std::size_t i = 0; i < signal.size(); ++i)
        worst = std::max(worst, std::fabs(double(signal[i]) - dry[i]));
    EXPECT_LT(worst, 1e-4);

    auto full = reverb({0, 0, 1000, 0.5f});
    auto half = reverb({0, -6, 1000, 0.5f});
    auto muted = reverb({-96, 0, 1000, 0.5f});
    const auto fullTail = tailAfter(*full, impulse(), 0.5);
    const auto halfTail = tailAfter(*half, impulse(), 0.5);
    const auto mutedTail = tailAfter(*muted, impulse(), 0.5);
    const std::size_t frames = fullTail.size() / 2;
    EXPECT_NEAR(db(rms(halfTail, 2, 0, 0, frames) / rms(fullTail, 2, 0, 0, frames)), -6.0, 0.1);
    EXPECT_LT(rms(mutedTail, 2, 0, 0, frames), rms(fullTail, 2, 0, 0, frames) * 1e-4);
    // The two channels get different reflections.
    EXPECT_GT(rms(fullTail, 2, 0, 0, frames), 0.0);
    double difference = 0;
    for (std::size_t i = 0; i < frames; ++i)
        difference += std::fabs(fullTail[2 * i] - fullTail[2 * i + 1]);
    EXPECT_GT(difference, 0.1);
}

TEST(DspReverb, MixChangeWhilePlayingDoesNotClick) {
    auto effect = reverb({0, -96, 2000, 0.5f});
    const std::size_t frames = kRate;
    auto signal = sine(100, 0.5, kRate, 2, frames);
    effect->process(signal.data(), frames / 2);
    const BASS_DX8_REVERB wet{0, 0, 2000, 0.5f};
    ASSERT_TRUE(effect->setParameters(&wet));
    effect->process(signal.data() + frames, frames / 2);
    const auto maxStep = [&](std::size_t from, std::size_t to) {
        double worst = 0;
        for (std::size_t i = from; i < to; ++i)
            worst = std::max(worst, std::fabs(double(signal[2 * i]) - signal[2 * (i - 1)]));
        return worst;
    };
    // The wet sound fades in: no step is larger than those of the wet
    // sound once it is there.
    const std::size_t change = frames / 2;
    EXPECT_LT(maxStep(change - 100, change + 1000), maxStep(change + 1000, change + 5000) * 1.2);
    EXPECT_GT(rms(signal, 2, 0, frames * 3 / 4, frames), rms(signal, 2, 0, 0, frames / 2) * 1.1);
}

TEST(DspReverb, ResetClearsTheTail) {
    auto effect = reverb({0, 0, 3000, 0.5f});
    auto burst = sine(300, 0.5, kRate, 2, kRate / 10);
    run(*effect, burst, 2);
    effect->reset();
    std::vector<float> silence(2 * kRate / 2, 0.0f);
    run(*effect, silence, 2);
    for (float v : silence)
        ASSERT_EQ(v, 0.0f);
}

TEST(DspReverb, NaNDoesNotPoisonTheLinesAndOtherChannelCounts) {
    for (const int channels : {1, 2, 6}) {
        auto effect = reverb({0, 0, 1000, 0.5f}, channels);
        std::vector<float> bad(channels * 256, 0.25f);
        bad[7] = std::numeric_limits<float>::quiet_NaN();
        effect->process(bad.data(), 256);
        std::vector<float> after(channels * kRate / 2, 0.0f);
        after[0] = 1.0f;
        run(*effect, after, channels);
        EXPECT_TRUE(allFinite(after)) << channels;
        EXPECT_GT(rms(after, channels, channels - 1, kRate / 10, kRate / 5), 1e-4) << channels;
    }
}
