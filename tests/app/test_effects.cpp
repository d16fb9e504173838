// The effect chain on the playing stream: each enabled effect exactly once,
// parameters from the settings read afresh, and what it does to the sound.
#include "frame_fixture.h"

#include "res/resource_ids.h"
#include "settings/settings_sheet.h"
#include "support/fixtures.h"
#include "tracklist/list_view.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <functional>
#include <set>

using namespace res;

namespace {

// An effect handle is live while the library can still read its parameters
// (into a record large enough for any of the three types).
bool IsLive(HFX effect) {
    union {
        BASS_DX8_PARAMEQ eq;
        BASS_DX8_COMPRESSOR compressor;
        BASS_DX8_REVERB reverb;
    } any{};
    return BASS_FXGetParameters(effect, &any) != 0;
}

// RMS of the 16-bit stereo samples of a WAV file between two seconds.
double RmsBetween(const QString& path, double from, double to) {
    QFile file(path);
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

class EffectsTest : public FrameTest {
protected:
    app::CMainFrame& playTone(const std::string& ini, const char* audio = "null") {
        writeIni(ini);
        setenv("QUAVERLY_AUDIO", audio, 1);
        auto& f = create();
        f.trackList()->AppendRow(QString::fromStdString(testsupport::fixture("tone_1k_3s.wav")),
                                 "tone");
        f.trackList()->SetCurrentRow(0);
        f.OnCommand(ID_PLAY_PLAYPAUSE);
        return f;
    }
    std::set<HFX> liveBands(app::CMainFrame& f) {
        std::set<HFX> bands;
        for (HFX band : f.engine().eqEffects())
            if (IsLive(band))
                bands.insert(band);
        return bands;
    }
};

TEST_F(EffectsTest, EachEnabledEffectIsOnTheStreamExactlyOnce) {
    auto& f = playTone("[Quaverly]\nDSP_EnableEq=1\nDSP_EnableComp=1\nDSP_EnableReverb=1\n"
                       "DSP_EqBand4=-10\nDSP_CompGain=45\nDSP_ReverbTime=1500\n");
    ASSERT_NE(f.engine().stream(), 0u);
    EXPECT_EQ(liveBands(f).size(), 7u);
    const HFX compressor = f.engine().compressorEffect();
    const HFX reverb = f.engine().reverbEffect();
    BASS_DX8_COMPRESSOR comp{};
    ASSERT_TRUE(BASS_FXGetParameters(compressor, &comp));
    EXPECT_FLOAT_EQ(comp.fGain, 45);
    BASS_DX8_REVERB rev{};
    ASSERT_TRUE(BASS_FXGetParameters(reverb, &rev));
    EXPECT_FLOAT_EQ(rev.fReverbTime, 1500);

    f.OnCommand(ID_FILE_COMPRESSOR); // off
    f.OnCommand(ID_FILE_COMPRESSOR); // on again
    EXPECT_EQ(liveBands(f).size(), 7u);
    EXPECT_FALSE(IsLive(compressor)) << "the old compressor was removed";
    EXPECT_TRUE(IsLive(f.engine().compressorEffect()));
    EXPECT_FALSE(IsLive(reverb)) << "every application rebuilds the enabled effects";
    EXPECT_TRUE(IsLive(f.engine().reverbEffect()));
}

TEST_F(EffectsTest, SwitchingTheEqualizerOffAndOnGivesFreshBandsWithTheStoredGains) {
    auto& f = playTone("[Quaverly]\nDSP_EnableEq=1\nDSP_EqBand1=-3.5\nDSP_EqBand7=-10\n");
    const std::set<HFX> before = liveBands(f);
    ASSERT_EQ(before.size(), 7u);
    f.OnCommand(ID_FILE_EQUALIZER);
    EXPECT_TRUE(liveBands(f).empty());
    f.OnCommand(ID_FILE_EQUALIZER);
    const std::set<HFX> after = liveBands(f);
    ASSERT_EQ(after.size(), 7u);
    for (HFX band : after)
        EXPECT_EQ(before.count(band), 0u);
    BASS_DX8_PARAMEQ first{}, last{}, middle{};
    BASS_FXGetParameters(f.engine().eqEffects()[0], &first);
    BASS_FXGetParameters(f.engine().eqEffects()[3], &middle);
    BASS_FXGetParameters(f.engine().eqEffects()[6], &last);
    EXPECT_FLOAT_EQ(first.fCenter, 125);
    EXPECT_FLOAT_EQ(first.fGain, -3.5f) << "a fractional value is applied as it stands";
    EXPECT_FLOAT_EQ(middle.fCenter, 1000);
    EXPECT_FLOAT_EQ(middle.fGain, 0) << "a missing key gives 0 dB";
    EXPECT_FLOAT_EQ(last.fCenter, 8000);
    EXPECT_FLOAT_EQ(last.fGain, -10);
}

TEST_F(EffectsTest, ARefusedReverbTimeLeavesTheEffectItsOwnParameters) {
    auto& f = playTone("[Quaverly]\nDSP_EnableReverb=1\nDSP_ReverbTime=abc\n");
    BASS_DX8_REVERB reverb{};
    ASSERT_TRUE(BASS_FXGetParameters(f.engine().reverbEffect(), &reverb));
    EXPECT_FLOAT_EQ(reverb.fReverbTime, 1000) << "0 ms is out of range: defaults stay";
}

TEST_F(EffectsTest, TogglingWithNothingOpenOnlyWritesTheKeyAndTheCheck) {
    auto& f = create();
    f.OnCommand(ID_FILE_REVERB);
    EXPECT_TRUE(f.commandAction(ID_FILE_REVERB)->isChecked());
    EXPECT_EQ(f.engine().reverbEffect(), 0u);
}

TEST_F(EffectsTest, AStoredBandOfMinusTenCutsItsToneByTenDecibels) {
    const QString plain = QString::fromStdString(dir.file("plain.wav"));
    const QString cut = QString::fromStdString(dir.file("cut.wav"));
    for (const QString& out : {plain, cut}) {
        const std::string ini =
            out == cut ? "[Quaverly]\nDSP_EnableEq=1\nDSP_EqBand4=-10\n" : "[Quaverly]\n";
        const std::string audio = "wav:" + out.toStdString();
        auto& f = playTone(ini, audio.c_str());
        ASSERT_TRUE(QTest::qWaitFor([&] { return f.engine().stream() == 0; }, 10000));
        frame.reset(); // frees the device, which completes the file
    }
    const double ratio = 20 * std::log10(RmsBetween(cut, 1, 2) / RmsBetween(plain, 1, 2));
    EXPECT_NEAR(ratio, -10, 0.5);
}

namespace {

settings::CCustomSheet* VisibleSettingsSheet() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* sheet = qobject_cast<settings::CCustomSheet*>(window);
            sheet && sheet->isVisible())
            return sheet;
    return nullptr;
}

// Runs `interact` on the settings sheet once the frame's command has it on
// screen, then presses OK or Cancel. Polls, because the command may process
// events before it shows the sheet.
void AnswerSettingsSheet(std::function<void(settings::CCustomSheet&)> interact, bool ok) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, interact = std::move(interact), ok] {
        settings::CCustomSheet* sheet = VisibleSettingsSheet();
        if (!sheet)
            return;
        poll->stop();
        poll->deleteLater();
        EXPECT_TRUE(sheet->isModal());
        interact(*sheet);
        sheet->findChild<QDialogButtonBox*>()
            ->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)
            ->click();
    });
    poll->start();
}

} // namespace

TEST_F(EffectsTest, OkInTheSettingsSheetAppliesTheEffectsAndSetsTheMenuChecks) {
    auto& f = playTone("[Quaverly]\nDSP_EnableEq=1\n");
    ASSERT_EQ(liveBands(f).size(), 7u);
    ASSERT_TRUE(f.EffectChecked(ID_FILE_EQUALIZER));
    AnswerSettingsSheet(
        [](settings::CCustomSheet& sheet) {
            sheet.tabs()->setCurrentIndex(1);
            settings::CCustomPage2* dsp = sheet.dspPage();
            dsp->checkBox(1005)->setChecked(false); // equalizer off
            dsp->checkBox(1007)->setChecked(true);  // reverb on
        },
        true);
    f.OnCommand(ID_FILE_SETTINGS);

    EXPECT_TRUE(liveBands(f).empty());
    EXPECT_TRUE(IsLive(f.engine().reverbEffect()));
    EXPECT_FALSE(f.EffectChecked(ID_FILE_EQUALIZER));
    EXPECT_FALSE(f.EffectChecked(ID_FILE_COMPRESSOR));
    EXPECT_TRUE(f.EffectChecked(ID_FILE_REVERB));
}

TEST_F(EffectsTest, CancelInTheSettingsSheetLeavesEffectsAndChecksAsTheyWere) {
    auto& f = playTone("[Quaverly]\nDSP_EnableEq=1\n");
    const std::set<HFX> before = liveBands(f);
    AnswerSettingsSheet(
        [](settings::CCustomSheet& sheet) {
            sheet.tabs()->setCurrentIndex(1);
            sheet.dspPage()->checkBox(1005)->setChecked(false);
        },
        false);
    f.OnCommand(ID_FILE_SETTINGS);

    EXPECT_EQ(liveBands(f), before) << "the same bands, not rebuilt";
    EXPECT_TRUE(f.EffectChecked(ID_FILE_EQUALIZER));
}
