// The settings sheet: which keys each page writes and when, the DSP page's
// ranges, clamping and tip texts.
#include "settings/ini_file.h"
#include "settings/settings_sheet.h"
#include "support/temp_dir.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QSlider>
#include <QTabWidget>
#include <gtest/gtest.h>

using namespace settings;

class SheetTest : public ::testing::Test {
protected:
    QString path() const { return QString::fromStdString(dir.file("quaverly.ini")); }
    std::string content() const { return testsupport::readFile(dir.file("quaverly.ini")); }
    testsupport::TempDir dir;
};

TEST_F(SheetTest, HasTheTitleThePagesAndCreatesTheDspPageLazily) {
    CCustomSheet sheet(path(), nullptr);
    EXPECT_EQ(sheet.windowTitle(), "設定");
    ASSERT_EQ(sheet.tabs()->count(), 2);
    EXPECT_EQ(sheet.tabs()->tabText(0), "全般");
    EXPECT_EQ(sheet.tabs()->tabText(1), "DSP");
    EXPECT_EQ(sheet.generalPage()->noMultiInst()->text(), "複数起動しない");
    EXPECT_EQ(sheet.generalPage()->launchAndPlay()->text(), "起動と同時に再生を開始する");
    EXPECT_EQ(sheet.dspPage(), nullptr);
    sheet.tabs()->setCurrentIndex(1);
    ASSERT_NE(sheet.dspPage(), nullptr);
}

TEST_F(SheetTest, CancelWritesNothing) {
    CCustomSheet sheet(path(), nullptr);
    sheet.generalPage()->noMultiInst()->setChecked(true);
    sheet.reject();
    EXPECT_EQ(content(), "");
}

TEST_F(SheetTest, ATabSwitchWritesTheGeneralKeysEvenIfCancelled) {
    CCustomSheet sheet(path(), nullptr);
    sheet.generalPage()->launchAndPlay()->setChecked(true);
    sheet.tabs()->setCurrentIndex(1);
    sheet.reject();
    const IniFile ini(path());
    EXPECT_EQ(ini.ReadInt("General_LaunchAndPlay", -1), 1);
    EXPECT_EQ(ini.ReadInt("General_NoMultiInst", -1), 0);
    EXPECT_EQ(ini.ReadString("DSP_EqBand1", "missing"), "missing");
}

TEST_F(SheetTest, OkWithoutVisitingDspWritesOnlyTheGeneralKeys) {
    CCustomSheet sheet(path(), nullptr);
    sheet.generalPage()->noMultiInst()->setChecked(true);
    // OK is the button box's accepted signal.
    emit sheet.findChild<QDialogButtonBox*>()->accepted();
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    const IniFile ini(path());
    EXPECT_EQ(ini.ReadInt("General_NoMultiInst", 0), 1);
    EXPECT_EQ(ini.ReadString("DSP_EnableEq", "missing"), "missing");
    EXPECT_EQ(ini.ReadString("DSP_ReverbTime", "missing"), "missing");
}

TEST_F(SheetTest, TheDspPageShowsItsDefaultsAndWritesThemBack) {
    CCustomPage2 page(path());
    for (int id = 1008; id <= 1014; ++id) {
        EXPECT_EQ(page.slider(id)->value(), 0) << id;
        EXPECT_EQ(page.slider(id)->minimum(), 0);
        EXPECT_EQ(page.slider(id)->maximum(), 10);
        EXPECT_EQ(page.slider(id)->orientation(), Qt::Vertical);
        EXPECT_TRUE(page.slider(id)->invertedAppearance()) << "0 dB at the top";
        EXPECT_EQ(page.TipText(id), "0dB");
    }
    EXPECT_EQ(page.slider(1015)->value(), 0);
    EXPECT_EQ(page.slider(1016)->value(), -20);
    EXPECT_EQ(page.slider(1017)->value(), 0);
    EXPECT_EQ(page.slider(1019)->value(), 1000);
    EXPECT_EQ(page.slider(1019)->pageStep(), 100);
    EXPECT_EQ(page.slider(1017)->minimum(), -96);
    EXPECT_EQ(page.TipText(1016), "-20dB");
    EXPECT_EQ(page.TipText(1019), "1000ms");
    EXPECT_EQ(page.TipText(1018), "");
    EXPECT_EQ(page.checkBox(1005)->text(), "有効にする");
    page.OnKillActive();
    const IniFile ini(path());
    for (int band = 1; band <= 7; ++band)
        EXPECT_EQ(ini.ReadString(QStringLiteral("DSP_EqBand%1").arg(band), "x"), "0");
    EXPECT_EQ(ini.ReadInt("DSP_CompThreshold", 0), -20);
    EXPECT_EQ(ini.ReadInt("DSP_ReverbTime", 0), 1000);
    EXPECT_EQ(ini.ReadInt("DSP_EnableEq", -1), 0);
}

TEST_F(SheetTest, BandsMapToTheirControlsAndStoredValuesAreClamped) {
    dir.write("quaverly.ini", "[Quaverly]\nDSP_EqBand1=-7\nDSP_EqBand3=4\nDSP_EqBand7=-15\n"
                              "DSP_CompGain=99\nDSP_EnableReverb=1\n");
    CCustomPage2 page(path());
    EXPECT_EQ(page.slider(1014)->value(), 7) << "band 1 (125 Hz) is control 1014";
    EXPECT_EQ(page.TipText(1014), "-7dB");
    EXPECT_EQ(page.slider(1012)->value(), 0) << "a stored 4 shows at the top";
    EXPECT_EQ(page.slider(1008)->value(), 10) << "a stored -15 shows at -10 dB";
    EXPECT_EQ(page.slider(1015)->value(), 60);
    EXPECT_TRUE(page.checkBox(1007)->isChecked());
    page.slider(1019)->setValue(2500);
    page.OnKillActive();
    const IniFile ini(path());
    EXPECT_EQ(ini.ReadInt("DSP_EqBand1", 0), -7);
    EXPECT_EQ(ini.ReadInt("DSP_EqBand3", 1), 0);
    EXPECT_EQ(ini.ReadInt("DSP_EqBand7", 0), -10);
    EXPECT_EQ(ini.ReadInt("DSP_CompGain", 0), 60);
    EXPECT_EQ(ini.ReadInt("DSP_ReverbTime", 0), 2500);
    EXPECT_EQ(ini.ReadInt("DSP_EnableReverb", 0), 1);
}
