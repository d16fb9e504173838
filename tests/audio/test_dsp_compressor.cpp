#include "test_dsp_signal.h"

#include "audio/api/bass.h"
#include "audio/dsp/effect.h"

#include <gtest/gtest.h>
#include <limits>

using audio::dsp::createEffect;
using namespace dsptest;

namespace {

constexpr int kRate = 48000;
constexpr double kSineRms = 0.70710678;

std::unique_ptr<audio::dsp::Effect> compressor(BASS_DX8_COMPRESSOR p, int channels = 2) {
    auto effect = createEffect(BASS_FX_DX8_COMPRESSOR, kRate, channels);
    EXPECT_TRUE(effect->setParameters(&p));
    return effect;
}

BASS_DX8_COMPRESSOR defaults() {
    return {0, 10, 200, -20, 3, 4};
}

// Output level in dB relative to a full-scale sine, measured over the last
// quarter of the signal.
double steadyLevelDb(std::vector<float>& signal, int channels = 2) {
    const std::size_t frames = signal.size() / channels;
    return db(rms(signal, channels, 0, frames * 3 / 4, frames) / kSineRms);
}

} // namespace

TEST(DspCompressor, ToneAboveThresholdIsReducedByTheRatio) {
    // A full-scale tone is 20 dB over a -20 dB threshold: 3:1 leaves 6.7 dB.
    auto effect = compressor(defaults());
    auto signal = sine(1000, 1.0, kRate, 2, kRate);
    run(*effect, signal, 2);
    EXPECT_NEAR(steadyLevelDb(signal), -20.0 * (1 - 1 / 3.0), 0.5);

    auto limiter = compressor({0, 10, 200, -30, 100, 0}, 1);
    auto quiet = sine(440, 0.5, kRate, 1, kRate);
    run(*limiter, quiet, 1);
    // -6 dB peaks against a -30 dB threshold at 100:1 come out at the threshold.
    EXPECT_NEAR(steadyLevelDb(quiet, 1), -30 + 24 / 100.0, 0.5);
}

TEST(DspCompressor, MakeUpGainAddsToTheResult) {
    auto effect = compressor({6, 10, 200, -20, 3, 4});
    auto signal = sine(1000, 1.0, kRate, 2, kRate);
    run(*effect, signal, 2);
    EXPECT_NEAR(steadyLevelDb(signal), -13.33 + 6, 0.5);
}

TEST(DspCompressor, ToneBelowThresholdOnlyDelayed) {
    auto effect = compressor({0, 10, 200, -20, 10, 4});
    auto signal = sine(1000, 0.05, kRate, 2, kRate / 2); // -26 dB
    const auto dry = signal;
    run(*effect, signal, 2);
    const std::size_t delay = kRate * 4 / 1000;
    for (std::size_t i = delay; i < kRate / 2; i += 97)
        ASSERT_NEAR(signal[2 * i], dry[2 * (i - delay)], 1e-4) << i;
}

TEST(DspCompressor, PredelayLetsTheGainDropBeforeAPeak) {
    const std::size_t delay = kRate * 4 / 1000;
    auto effect = compressor({0, 0.01f, 200, -40, 100, 4}, 1);
    std::vector<float> impulse(4096, 0.0f);
    impulse[1000] = 1.0f;
    run(*effect, impulse, 1, 256);
    // The impulse comes out where the pre-delay puts it, already limited.
    EXPECT_EQ(impulse[1000], 0.0f);
    EXPECT_GT(std::fabs(impulse[1000 + delay]), 0.0f);
    EXPECT_LT(std::fabs(impulse[1000 + delay]), 0.05f);
}

TEST(DspCompressor, AttackAndReleaseFollowTheirTimes) {
    auto effect = compressor({0, 20, 400, -20, 4, 0});
    std::vector<float> settle(2 * kRate / 10, 0.0f); // the new parameters glide in
    run(*effect, settle, 2);
    const std::size_t frames = kRate;
    auto signal = sine(1000, 1.0, kRate, 2, frames);
    for (std::size_t i = frames / 2; i < frames; ++i)
        signal[2 * i] = signal[2 * i + 1] = signal[2 * i] * 0.01f; // -40 dB
    run(*effect, signal, 2, 128);
    const auto levelAt = [&](double seconds) {
        const std::size_t at = static_cast<std::size_t>(seconds * kRate);
        return db(rms(signal, 2, 0, at, at + kRate / 500) / kSineRms);
    };
    // 15 dB of reduction in the end, approached exponentially: 63 % of it
    // one attack time in.
    EXPECT_GT(levelAt(0.0), -2.0);
    EXPECT_NEAR(levelAt(0.020), -0.63 * 15, 1.5);
    EXPECT_NEAR(levelAt(0.45), -15.0, 0.5);
    // After the drop the reduction fades with the release time.
    EXPECT_NEAR(levelAt(0.55), -40 - 15 * std::exp(-0.05 / 0.4), 1.5);
    EXPECT_NEAR(levelAt(0.98), -40 - 15 * std::exp(-0.48 / 0.4), 1.5);
}

namespace {

double maxStep(const std::vector<float>& s, std::size_t from, std::size_t to) {
    double worst = 0;
    for (std::size_t i = from + 1; i < to; ++i)
        worst = std::max(worst, std::fabs(double(s[2 * i]) - s[2 * (i - 1)]));
    return worst;
}

} // namespace

TEST(DspCompressor, ParameterChangesWhilePlayingDoNotClick) {
    auto effect = compressor(defaults());
    const std::size_t frames = kRate;
    auto signal = sine(100, 0.9, kRate, 2, frames);
    effect->process(signal.data(), frames / 2);
    const BASS_DX8_COMPRESSOR louder{12, 10, 200, -10, 2, 1};
    ASSERT_TRUE(effect->setParameters(&louder));
    effect->process(signal.data() + frames, frames / 2);
    // The largest step between samples is that of the louder steady tone:
    // the gain and the delay glide to their new values.
    const double steady = maxStep(signal, frames * 3 / 4, frames);
    EXPECT_LT(maxStep(signal, frames / 4, frames), steady * 1.05);
    EXPECT_GT(steady, maxStep(signal, frames / 4, frames / 2) * 2);
}

TEST(DspCompressor, ResetAndNaNRecovery) {
    auto effect = compressor(defaults());
    auto loud = sine(1000, 1.0, kRate, 2, kRate / 4);
    run(*effect, loud, 2);
    effect->reset();
    // After a reset the envelope starts afresh: a quiet tone is not held down.
    auto quiet = sine(1000, 0.05, kRate, 2, kRate / 10);
    run(*effect, quiet, 2);
    EXPECT_NEAR(steadyLevelDb(quiet), db(0.05), 0.1);

    std::vector<float> bad(2 * 512, 0.1f);
    bad[100] = std::numeric_limits<float>::quiet_NaN();
    effect->process(bad.data(), 512);
    auto after = sine(1000, 1.0, kRate, 2, kRate / 2);
    run(*effect, after, 2);
    EXPECT_TRUE(allFinite(after));
    EXPECT_NEAR(steadyLevelDb(after), -13.33, 0.5);
}
