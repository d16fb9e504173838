// The effect chain the engine builds from the settings: each enabled effect
// on the stream exactly once, the parameters read afresh on each
// application, the follow-on's chain built with the current one's, and what
// a band does to the sound.
#include "engine_fixture.h"

#include "playback/play_order.h"
#include "res/resource_ids.h"
#include "support/fixtures.h"
#include "support/live_effect.h"

#include <QFile>
#include <QSignalSpy>
#include <cmath>
#include <fstream>
#include <set>

using namespace res;
using testsupport::IsLive;

namespace {

// RMS of the 16-bit stereo samples of a WAV file between two seconds.
double RmsBetween(const std::string& path, double from, double to) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = file.readAll();
    const qsizetype data = bytes.indexOf("data") + 8;
    const auto* samples = reinterpret_cast<const int16_t*>(bytes.constData() + data);
    const qsizetype count = (bytes.size() - data) / 2;
    const auto begin = static_cast<qsizetype>(from * 44100 * 2);
    const auto end = std::min(count, static_cast<qsizetype>(to * 44100 * 2));
    double sum = 0;
    for (qsizetype i = begin; i < end; ++i)
        sum += double(samples[i]) * samples[i];
    return end > begin ? std::sqrt(sum / double(end - begin)) : -1;
}

} // namespace

class DspTest : public EngineTest {
protected:
    // Settings as a Windows copy of the player left them (CRLF), in a file
    // of their own each time: the engine reads them afresh from it, and no
    // file's cached contents can stand in for the new ones.
    void writeIni(const std::string& text) {
        const std::string path = dir.file("dsp" + std::to_string(++iniFiles_) + ".ini");
        std::ofstream(path, std::ios::binary) << text;
        engine.Attach(this, &title, &order, &list, QString::fromStdString(path));
    }
    void playTone(const std::string& ini, const char* output = "null") {
        writeIni(ini);
        start(output);
        addRow("tone.wav");
        select(0);
        SendCommand(ID_PLAY_PLAYPAUSE);
    }
    int iniFiles_ = 0;
    std::set<HFX> liveBands() const {
        std::set<HFX> bands;
        for (HFX band : engine.eqEffects())
            if (IsLive(band))
                bands.insert(band);
        return bands;
    }
};

TEST_F(DspTest, EachEnabledEffectIsOnTheStreamExactlyOnce) {
    playTone("[Quaverly]\r\nDSP_EnableEq=1\r\nDSP_EnableComp=1\r\nDSP_EnableReverb=1\r\n"
             "DSP_EqBand4=-10\r\nDSP_CompGain=45\r\nDSP_ReverbTime=1500\r\n");
    ASSERT_NE(engine.stream(), 0u);
    EXPECT_EQ(liveBands().size(), 7u);
    const HFX compressor = engine.compressorEffect();
    const HFX reverb = engine.reverbEffect();
    BASS_DX8_COMPRESSOR comp{};
    ASSERT_TRUE(BASS_FXGetParameters(compressor, &comp));
    EXPECT_FLOAT_EQ(comp.fGain, 45);
    BASS_DX8_REVERB rev{};
    ASSERT_TRUE(BASS_FXGetParameters(reverb, &rev));
    EXPECT_FLOAT_EQ(rev.fReverbTime, 1500);

    writeIni("[Quaverly]\r\nDSP_EnableEq=1\r\nDSP_EnableReverb=1\r\n");
    engine.ApplyDsp();
    EXPECT_FALSE(IsLive(compressor)) << "a compressor switched off is removed";
    writeIni("[Quaverly]\r\nDSP_EnableEq=1\r\nDSP_EnableComp=1\r\nDSP_EnableReverb=1\r\n");
    engine.ApplyDsp();
    EXPECT_EQ(liveBands().size(), 7u);
    EXPECT_TRUE(IsLive(engine.compressorEffect()));
    EXPECT_FALSE(IsLive(reverb)) << "every application rebuilds the enabled effects";
    EXPECT_TRUE(IsLive(engine.reverbEffect()));
}

TEST_F(DspTest, SwitchingTheEqualizerOffAndOnGivesFreshBandsWithTheStoredGains) {
    const std::string on =
        "[Quaverly]\r\nDSP_EnableEq=1\r\nDSP_EqBand1=-3.5\r\nDSP_EqBand7=-10\r\n";
    playTone(on);
    const std::set<HFX> before = liveBands();
    ASSERT_EQ(before.size(), 7u);
    writeIni("[Quaverly]\r\nDSP_EnableEq=0\r\nDSP_EqBand1=-3.5\r\nDSP_EqBand7=-10\r\n");
    engine.ApplyDsp();
    EXPECT_TRUE(liveBands().empty());
    writeIni(on);
    engine.ApplyDsp();
    const std::set<HFX> after = liveBands();
    ASSERT_EQ(after.size(), 7u);
    for (HFX band : after)
        EXPECT_EQ(before.count(band), 0u);
    struct Band {
        int index;
        float centre;
        float gain;
        const char* why;
    };
    const Band bands[] = {
        {0, 125, -3.5f, "a fractional value is applied as it stands"},
        {3, 1000, 0, "a missing key gives 0 dB"},
        {6, 8000, -10, "a whole value"},
    };
    for (const Band& b : bands) {
        SCOPED_TRACE(b.why);
        BASS_DX8_PARAMEQ params{};
        ASSERT_TRUE(BASS_FXGetParameters(engine.eqEffects()[b.index], &params));
        EXPECT_FLOAT_EQ(params.fCenter, b.centre);
        EXPECT_FLOAT_EQ(params.fGain, b.gain);
    }
}

TEST_F(DspTest, ARefusedReverbTimeLeavesTheEffectItsOwnParameters) {
    playTone("[Quaverly]\r\nDSP_EnableReverb=1\r\nDSP_ReverbTime=abc\r\n");
    BASS_DX8_REVERB reverb{};
    ASSERT_TRUE(BASS_FXGetParameters(engine.reverbEffect(), &reverb));
    EXPECT_FLOAT_EQ(reverb.fReverbTime, 1000) << "0 ms is out of range: defaults stay";
}

TEST_F(DspTest, WithNothingOpenAnApplicationBuildsNothing) {
    writeIni("[Quaverly]\r\nDSP_EnableEq=1\r\nDSP_EnableReverb=1\r\n");
    start("null");
    engine.ApplyDsp();
    EXPECT_EQ(engine.reverbEffect(), 0u);
    EXPECT_TRUE(liveBands().empty());
}

TEST_F(DspTest, AnApplicationReachesTheQueuedFollowOnWhichKeepsItsChainWhenItTakesOver) {
    writeIni("[Quaverly]\r\nDSP_EnableComp=1\r\nDSP_CompGain=10\r\n");
    start("null:fast");
    addRows(2);
    setOrder(playback::OrderOnce);
    std::vector<float> gains; // of the compressor as each follow-on took over
    QObject::connect(&engine, &playback::PlaybackEngine::trackOpened, [&] {
        BASS_DX8_COMPRESSOR comp{};
        EXPECT_TRUE(BASS_FXGetParameters(engine.compressorEffect(), &comp));
        gains.push_back(comp.fGain);
    });
    select(0);
    SendCommand(ID_PLAY_PLAYPAUSE);
    // b.wav is queued before a.wav's first sample; the hand-over is told on
    // this thread, so it cannot have been handled yet.
    ASSERT_EQ(engine.followOnRow(), 1);
    writeIni("[Quaverly]\r\nDSP_EnableComp=1\r\nDSP_CompGain=20\r\n");
    engine.ApplyDsp();
    ASSERT_TRUE(waitFor([&] { return engine.stream() == 0; }));
    EXPECT_EQ(gains, std::vector<float>{20}) << "b.wav took over with the chain applied to it";
}

TEST_F(DspTest, AStoredBandOfMinusTenCutsItsToneByTenDecibels) {
    const std::string plain = dir.file("plain.wav");
    const std::string cut = dir.file("cut.wav");
    for (const std::string& out : {plain, cut}) {
        const std::string ini =
            out == cut ? "[Quaverly]\r\nDSP_EnableEq=1\r\nDSP_EqBand4=-10\r\n" : "[Quaverly]\r\n";
        const std::string output = "wav:" + out;
        playTone(ini, output.c_str());
        ASSERT_TRUE(waitFor([&] { return engine.stream() == 0; }));
        engine.FreeDevice(); // completes the file
        list.ClearRows();
    }
    const double ratio = 20 * std::log10(RmsBetween(cut, 1, 2) / RmsBetween(plain, 1, 2));
    EXPECT_NEAR(ratio, -10, 0.5);
}
