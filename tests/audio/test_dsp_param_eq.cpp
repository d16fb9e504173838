#include "test_dsp_signal.h"

#include "audio/api/bass.h"
#include "audio/dsp/effect.h"

#include <gtest/gtest.h>
#include <limits>

using audio::dsp::createEffect;
using namespace dsptest;

namespace {

constexpr int kRate = 44100;

std::unique_ptr<audio::dsp::Effect> band(float centre, float gain, int rate = kRate,
                                         int channels = 2, float bandwidth = 12) {
    auto eq = createEffect(BASS_FX_DX8_PARAMEQ, rate, channels);
    BASS_DX8_PARAMEQ p{centre, bandwidth, gain};
    EXPECT_TRUE(eq->setParameters(&p));
    return eq;
}

// Level change of a steady tone through the effect, after it settled.
double toneGainDb(audio::dsp::Effect& effect, double hz, int rate = kRate, int channels = 2) {
    const std::size_t frames = rate / 2;
    auto signal = sine(hz, 0.5, rate, channels, frames);
    const auto dry = signal;
    run(effect, signal, channels);
    return db(rms(signal, channels, 0, frames / 2, frames) /
              rms(dry, channels, 0, frames / 2, frames));
}

} // namespace

TEST(DspParamEq, CutOf10DbAt1kHzLeaves8kHzAlone) {
    auto eq = band(1000, -10);
    EXPECT_NEAR(toneGainDb(*eq, 1000), -10.0, 0.5);
    eq->reset();
    EXPECT_NEAR(toneGainDb(*eq, 8000), 0.0, 0.5);
    eq->reset();
    EXPECT_NEAR(toneGainDb(*eq, 125), 0.0, 0.5);
}

TEST(DspParamEq, BoostAndOtherRatesAndChannelCounts) {
    auto boost = band(2000, 12, 48000, 1);
    EXPECT_NEAR(toneGainDb(*boost, 2000, 48000, 1), 12.0, 0.5);
    auto six = band(500, -15, 22050, 6);
    EXPECT_NEAR(toneGainDb(*six, 500, 22050, 6), -15.0, 0.5);
}

TEST(DspParamEq, HalfGainPointsAreOneOctaveApartAtDefaultBandwidth) {
    // The bandwidth is measured between the points of half the gain in dB.
    auto low = band(1000, -12);
    auto high = band(1000, -12);
    EXPECT_NEAR(toneGainDb(*low, 1000 / std::sqrt(2.0)), -6.0, 0.6);
    EXPECT_NEAR(toneGainDb(*high, 1000 * std::sqrt(2.0)), -6.0, 0.6);
}

TEST(DspParamEq, CentreAboveNyquistIsKeptStable) {
    auto eq = band(16000, -10, 8000, 2);
    auto signal = sine(3000, 0.5, 8000, 2, 8000);
    run(*eq, signal, 2);
    EXPECT_TRUE(allFinite(signal));
    EXPECT_LT(rms(signal, 2, 0, 4000, 8000), 0.5);
}

TEST(DspParamEq, ChannelsAreFilteredIndependently) {
    auto eq = band(1000, 10, kRate, 3);
    std::vector<float> signal(3 * 4096, 0.0f);
    for (std::size_t i = 0; i < 4096; ++i)
        signal[i * 3 + 1] = static_cast<float>(std::sin(i * 0.1));
    run(*eq, signal, 3);
    EXPECT_EQ(rms(signal, 3, 0, 0, 4096), 0.0);
    EXPECT_EQ(rms(signal, 3, 2, 0, 4096), 0.0);
    EXPECT_GT(rms(signal, 3, 1, 0, 4096), 0.1);
}

TEST(DspParamEq, GainChangeWhilePlayingDoesNotClick) {
    auto eq = band(1000, 0);
    const std::size_t frames = 8192;
    auto signal = sine(1000, 0.5, kRate, 2, frames);
    const double smooth = maxSecondDifference(signal, 2, 0, 0, frames);
    eq->process(signal.data(), 4000);
    const BASS_DX8_PARAMEQ cut{1000, 12, -15};
    ASSERT_TRUE(eq->setParameters(&cut));
    eq->process(signal.data() + 8000, frames - 4000);
    EXPECT_LT(maxSecondDifference(signal, 2, 0, 0, frames), smooth * 1.1);
    // The new gain is reached within the ramp.
    EXPECT_NEAR(db(rms(signal, 2, 0, 6000, frames) / (0.5 / std::sqrt(2.0))), -15.0, 0.5);
}

TEST(DspParamEq, ResetClearsRinging) {
    auto eq = band(125, 15);
    auto signal = sine(125, 0.5, kRate, 2, 4096);
    run(*eq, signal, 2);
    eq->reset();
    std::vector<float> silence(2 * 512, 0.0f);
    eq->process(silence.data(), 512);
    for (float v : silence)
        ASSERT_EQ(v, 0.0f);
}

TEST(DspParamEq, RecoversFromNaNAndKeepsDenormalsAway) {
    auto eq = band(1000, -10);
    std::vector<float> bad(2 * 256, 0.25f);
    bad[10] = std::numeric_limits<float>::quiet_NaN();
    bad[11] = std::numeric_limits<float>::infinity();
    eq->process(bad.data(), 256);
    auto signal = sine(1000, 0.5, kRate, 2, 2048);
    eq->process(signal.data(), 2048);
    EXPECT_TRUE(allFinite(signal));
    std::vector<float> tiny(2 * 44100, 1e-39f);
    eq->process(tiny.data(), 44100);
    EXPECT_TRUE(allFinite(tiny));
    EXPECT_LT(std::fabs(tiny.back()), 1e-30f);
}

TEST(DspParamEq, FreshBandStartsAtItsParametersAndLaterChangesGlide) {
    auto eq = band(1000, -10);
    auto signal = sine(1000, 0.5, kRate, 2, kRate / 20);
    run(*eq, signal, 2);
    const double cutEarly = db(rms(signal, 2, 0, kRate / 200, kRate / 50) / (0.5 / std::sqrt(2.0)));
    EXPECT_NEAR(cutEarly, -10.0, 1.0);
    // Once audio has passed, a change takes about 15 ms to arrive.
    const BASS_DX8_PARAMEQ flat{1000, 12, 0};
    ASSERT_TRUE(eq->setParameters(&flat));
    auto next = sine(1000, 0.5, kRate, 2, kRate / 20, kRate / 20);
    run(*eq, next, 2);
    const double first = db(rms(next, 2, 0, 0, kRate / 400) / (0.5 / std::sqrt(2.0)));
    EXPECT_LT(first, -6.0);
    EXPECT_NEAR(db(rms(next, 2, 0, kRate / 40, kRate / 20) / (0.5 / std::sqrt(2.0))), 0.0, 0.3);
}
