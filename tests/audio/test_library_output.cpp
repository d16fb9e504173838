// What comes out: rendered through the wav: back-end and measured.
#include "test_library_support.h"

#include "support/fixtures.h"
#include "support/temp_dir.h"

using librarytest::Device;
using librarytest::Event;
using librarytest::readWav;
using librarytest::rmsDb;
using librarytest::Wav;
using namespace std::chrono_literals;

namespace {

// Renders a fixture to a WAV file; prepare() runs on the stream before play.
Wav render(const std::string& fixtureName, DWORD volume,
           const std::function<void(HSTREAM)>& prepare = {}) {
    testsupport::TempDir dir;
    const std::string out = dir.file("out.wav");
    BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, volume);
    {
        Device device("wav:" + out);
        EXPECT_TRUE(device.ok());
        Event& ended = librarytest::outlivingTheTest<Event>();
        const HSTREAM stream =
            BASS_StreamCreateFile(FALSE, testsupport::fixture(fixtureName).c_str(), 0, 0, 0);
        EXPECT_NE(stream, 0u);
        if (prepare)
            prepare(stream);
        EXPECT_TRUE(librarytest::playToEnd(stream, ended, 20s));
        BASS_StreamFree(stream);
    }
    BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 10000);
    return readWav(out);
}

HFX addEq(HSTREAM stream, int priority, float centre, float gain) {
    const HFX fx = BASS_ChannelSetFX(stream, BASS_FX_DX8_PARAMEQ, priority);
    BASS_DX8_PARAMEQ params{};
    EXPECT_TRUE(BASS_FXGetParameters(fx, &params));
    params.fCenter = centre;
    params.fGain = gain;
    EXPECT_TRUE(BASS_FXSetParameters(fx, &params));
    return fx;
}

HFX addLimiter(HSTREAM stream, int priority) {
    const HFX fx = BASS_ChannelSetFX(stream, BASS_FX_DX8_COMPRESSOR, priority);
    BASS_DX8_COMPRESSOR params{};
    EXPECT_TRUE(BASS_FXGetParameters(fx, &params));
    params.fThreshold = -30;
    params.fRatio = 100;
    params.fAttack = 0.01f;
    EXPECT_TRUE(BASS_FXSetParameters(fx, &params));
    return fx;
}

} // namespace

TEST(LibraryOutput, TheWholeStreamComesOutAtFullVolume) {
    const Wav wav = render("tone_1k_3s.wav", 10000);
    ASSERT_EQ(wav.rate, 44100);
    EXPECT_EQ(wav.frames(), 132300u);
    // The fixture is a sine of amplitude 1/8: -21.1 dBFS RMS.
    EXPECT_NEAR(rmsDb(wav, 0.5, 2.5), -21.1, 0.2);
}

TEST(LibraryOutput, HalfTheStreamVolumeIsSixDecibelsDown) {
    const Wav full = render("tone_1k_3s.wav", 10000);
    const Wav half = render("tone_1k_3s.wav", 5000);
    EXPECT_NEAR(rmsDb(half, 0.5, 2.5) - rmsDb(full, 0.5, 2.5), -6.02, 0.1);
    const Wav silent = render("tone_1k_3s.wav", 0);
    EXPECT_LT(rmsDb(silent, 0.5, 2.5), -90);
}

TEST(LibraryOutput, MonoIsHeardOnBothSidesAndOtherRatesAreResampled) {
    const Wav mono = render("tone_1k_3s_mono.wav", 10000);
    ASSERT_EQ(mono.frames(), 132300u);
    for (std::size_t i = 10000; i < 10100; ++i)
        EXPECT_EQ(mono.samples[2 * i], mono.samples[2 * i + 1]);
    EXPECT_NEAR(rmsDb(mono, 0.5, 2.5), -21.1, 0.2);

    const Wav resampled = render("tone_1k_3s_48k.wav", 10000);
    EXPECT_NEAR(static_cast<double>(resampled.frames()), 132300.0, 64.0);
    EXPECT_NEAR(rmsDb(resampled, 0.5, 2.5), -21.1, 0.3);
}

TEST(LibraryOutput, ASeekBeforePlayingSkipsThatMuchAudio) {
    const Wav wav = render("tone_1k_3s.wav", 10000, [](HSTREAM stream) {
        ASSERT_TRUE(BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, 2.0), 0));
    });
    EXPECT_EQ(wav.frames(), 44100u);
}

TEST(LibraryOutput, EffectsRunInPriorityOrder) {
    // A hard compressor and a -15 dB cut do not commute: compressing first
    // and cutting after gives a quieter result than cutting below the
    // threshold first.
    const Wav compressFirst = render("tone_1k_3s_loud.wav", 10000, [](HSTREAM stream) {
        addEq(stream, 1, 1000, -15);
        addLimiter(stream, 2);
    });
    const Wav cutFirst = render("tone_1k_3s_loud.wav", 10000, [](HSTREAM stream) {
        addLimiter(stream, 1);
        addEq(stream, 2, 1000, -15);
    });
    // Equal priorities run in the order the effects were added.
    const Wav sameCutFirst = render("tone_1k_3s_loud.wav", 10000, [](HSTREAM stream) {
        addEq(stream, 2, 1000, -15);
        addLimiter(stream, 2);
    });
    const double compressed = rmsDb(compressFirst, 1.0, 2.5);
    const double cut = rmsDb(cutFirst, 1.0, 2.5);
    EXPECT_GT(cut - compressed, 5.0) << "compress first " << compressed << ", cut first " << cut;
    EXPECT_NEAR(rmsDb(sameCutFirst, 1.0, 2.5), cut, 0.5);
}

TEST(LibraryOutput, RefusedParametersChangeNothingAndResetAcceptsAStream) {
    Device device("null:fast");
    ASSERT_TRUE(device.ok());
    const HSTREAM stream =
        BASS_StreamCreateFile(FALSE, testsupport::fixture("tone_1k_3s.wav").c_str(), 0, 0, 0);
    const HFX fx = addEq(stream, 2, 4000, -6);
    BASS_DX8_PARAMEQ wrong{4000, 12, -40};
    EXPECT_FALSE(BASS_FXSetParameters(fx, &wrong));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    BASS_DX8_PARAMEQ now{};
    ASSERT_TRUE(BASS_FXGetParameters(fx, &now));
    EXPECT_FLOAT_EQ(now.fCenter, 4000);
    EXPECT_FLOAT_EQ(now.fGain, -6);
    EXPECT_TRUE(BASS_FXReset(stream));
    EXPECT_TRUE(BASS_FXReset(fx));
    ASSERT_TRUE(BASS_FXGetParameters(fx, &now));
    EXPECT_FLOAT_EQ(now.fGain, -6);
}
