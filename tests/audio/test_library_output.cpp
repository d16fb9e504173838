// What comes out: rendered through the wav: back-end and measured.
#include "test_library_support.h"

#include "support/fixtures.h"
#include "support/temp_dir.h"

#include <algorithm>

using librarytest::Device;
using librarytest::EndSeen;
using librarytest::Event;
using librarytest::readWav;
using librarytest::rmsDb;
using librarytest::Wav;
using namespace std::chrono_literals;

namespace {

// Plays fixtures on the current device, each queued to follow the one
// before; prepare() runs on each stream before play. Returns the data of
// each stream's END sync (the follow-on that took over), or an empty list
// when the last did not end in time.
std::vector<DWORD> playBackToBack(const std::vector<std::string>& fixtureNames,
                                  const std::function<void(HSTREAM)>& prepare = {}) {
    std::vector<HSTREAM> streams;
    std::vector<EndSeen*> ends;
    for (const std::string& name : fixtureNames) {
        const HSTREAM stream = librarytest::openFixture(name);
        EXPECT_NE(stream, 0u) << name;
        if (prepare)
            prepare(stream);
        ends.push_back(&librarytest::outlivingTheTest<EndSeen>());
        BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, librarytest::noteEnd, ends.back());
        if (!streams.empty()) {
            EXPECT_TRUE(QUAVERLY_ChannelSetNext(streams.back(), stream)) << BASS_ErrorGetCode();
        }
        streams.push_back(stream);
    }
    EXPECT_TRUE(BASS_ChannelPlay(streams.front(), FALSE));
    const bool ended = ends.back()->waitFor(1, 20s);
    EXPECT_TRUE(ended);
    std::vector<DWORD> data;
    for (std::size_t i = 0; i < streams.size(); ++i) {
        data.push_back(ends[i]->data);
        BASS_StreamFree(streams[i]);
    }
    return ended ? data : std::vector<DWORD>{};
}

// Renders fixtures played back to back to a WAV file.
Wav renderBackToBack(const std::vector<std::string>& fixtureNames, DWORD volume = 10000) {
    testsupport::TempDir dir;
    const std::string out = dir.file("out.wav");
    BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, volume);
    {
        Device device("wav:" + out);
        EXPECT_TRUE(device.ok());
        playBackToBack(fixtureNames);
    }
    BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 10000);
    return readWav(out);
}

// Renders a fixture to a WAV file; prepare() runs on the stream before play.
Wav render(const std::string& fixtureName, DWORD volume,
           const std::function<void(HSTREAM)>& prepare = {}) {
    testsupport::TempDir dir;
    const std::string out = dir.file("out.wav");
    BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, volume);
    {
        Device device("wav:" + out);
        EXPECT_TRUE(device.ok());
        playBackToBack({fixtureName}, prepare);
    }
    BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 10000);
    return readWav(out);
}

std::size_t countNonZero(const float* samples, std::size_t count) {
    return static_cast<std::size_t>(
        std::count_if(samples, samples + count, [](float sample) { return sample != 0.0f; }));
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

TEST(LibraryOutput, EveryStreamStartsAtTheVolumeSetBeforeIt) {
    // Volumes set one after another on one open device, each before a 3 s
    // tone is played: every sample of a tone is at its own volume, the first
    // one included (no glide from the volume the tone before was played at).
    struct Case {
        std::vector<DWORD> volumes;
        double firstTenMsDb; // level of the last tone's first 10 ms; silent below -100
    };
    const std::vector<Case> cases = {
        {{0}, -200},
        {{10000, 0}, -200},
        {{0, 10000}, -21.1},
        {{10000, 5000}, -27.1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.volumes));
        testsupport::TempDir dir;
        const std::string out = dir.file("out.wav");
        {
            Device device("wav:" + out);
            ASSERT_TRUE(device.ok());
            for (const DWORD volume : c.volumes) {
                BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, volume);
                ASSERT_FALSE(playBackToBack({"tone_1k_3s.wav"}).empty());
            }
        }
        BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 10000);
        const Wav wav = readWav(out);
        ASSERT_EQ(wav.frames(), 132300u * c.volumes.size());
        const std::size_t lastStart = 2 * 132300 * (c.volumes.size() - 1);
        if (c.firstTenMsDb < -100) {
            EXPECT_EQ(countNonZero(wav.samples.data() + lastStart, 2 * 132300), 0u);
        } else {
            const double from = double(lastStart / 2) / wav.rate;
            EXPECT_NEAR(rmsDb(wav, from, from + 0.01), c.firstTenMsDb, 0.3);
        }
    }
}

TEST(LibraryOutput, AQueuedStreamFollowsWithoutASampleInBetween) {
    // Each pair rendered back to back is the concatenation of the two
    // rendered alone, sample for sample; each converts to the device rate on
    // its own, so differing formats join as closely.
    const std::vector<std::vector<std::string>> cases = {
        {"tone_1k_3s.wav", "tone_440_3s.wav"},
        {"tone_1k_3s.flac", "tone_1k_3s.mp3"},
        {"tone_1k_3s_48k.wav", "tone_1k_3s_mono.wav"},
        {"tone_440_3s.wav", "tone_8k_3s.wav", "tone_440_3s.wav"},
    };
    for (const auto& names : cases) {
        SCOPED_TRACE(::testing::PrintToString(names));
        std::vector<float> alone;
        for (const std::string& name : names) {
            const Wav one = render(name, 10000);
            alone.insert(alone.end(), one.samples.begin(), one.samples.end());
        }
        const Wav joined = renderBackToBack(names);
        ASSERT_EQ(joined.samples.size(), alone.size());
        const auto differs =
            std::mismatch(joined.samples.begin(), joined.samples.end(), alone.begin());
        EXPECT_TRUE(differs.first == joined.samples.end())
            << "first difference at frame " << (differs.first - joined.samples.begin()) / 2;
    }
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
    const HSTREAM stream = librarytest::openFixture("tone_1k_3s.wav");
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
