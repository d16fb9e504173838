// The effect commands of the menu and the settings sheet: each switches its
// effect on the playing stream and sets its menu check.
#include "frame_fixture.h"

#include "res/resource_ids.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "settings/settings_sheet.h"
#include "support/fixtures.h"
#include "support/live_effect.h"
#include "tracklist/list_view.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <set>

using namespace res;
using testsupport::IsLive;

class EffectsTest : public FrameTest {
protected:
    // On a clock nobody moves, so that the tone plays on however long a
    // test takes.
    app::CMainFrame& playTone(const std::string& ini, const char* audio = "null:manual") {
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

// What each effect does on the stream is the engine's (tests/playback); here
// the menu's commands: each writes its key, rebuilds the chain and sets its check.
TEST_F(EffectsTest, TheEffectCommandsSwitchTheirEffectOnThePlayingStream) {
    auto& f = playTone("[Quaverly]\nDSP_EnableEq=1\nDSP_EnableComp=1\n");
    ASSERT_NE(f.engine().stream(), 0u);
    ASSERT_EQ(liveBands(f).size(), 7u);
    const HFX compressor = f.engine().compressorEffect();
    f.OnCommand(ID_FILE_EQUALIZER);
    f.OnCommand(ID_FILE_REVERB);
    EXPECT_TRUE(liveBands(f).empty());
    EXPECT_FALSE(f.EffectChecked(ID_FILE_EQUALIZER));
    EXPECT_TRUE(IsLive(f.engine().reverbEffect()));
    EXPECT_TRUE(f.EffectChecked(ID_FILE_REVERB));
    EXPECT_FALSE(IsLive(compressor)) << "every application rebuilds the enabled effects";
    EXPECT_TRUE(IsLive(f.engine().compressorEffect()));
    settings::IniFile ini(iniPath());
    EXPECT_EQ(ini.ReadInt(settings::keys::EnableEq, -1), 0);
    EXPECT_EQ(ini.ReadInt(settings::keys::EnableReverb, -1), 1);
}

TEST_F(EffectsTest, TogglingWithNothingOpenOnlyWritesTheKeyAndTheCheck) {
    auto& f = create();
    f.OnCommand(ID_FILE_REVERB);
    EXPECT_TRUE(f.commandAction(ID_FILE_REVERB)->isChecked());
    EXPECT_EQ(f.engine().reverbEffect(), 0u);
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
