// Closing the window and the settings sheet's OK write all their keys in one
// rewrite of the settings file (one read, one rename), leaving the same bytes
// as writing the keys one by one.
#include "folder_watch.h"
#include "settings/config.h"
#include "settings/settings_sheet.h"
#include "support/temp_dir.h"

#include <QDialogButtonBox>
#include <QSlider>
#include <QTabWidget>
#include <gtest/gtest.h>

using settings::IniFile;
using testsupport::readFile;

namespace {

// A window whose state CConfig::Save copies into the file.
class SavedWindow : public QWidget, public settings::CConfig<SavedWindow> {
public:
    explicit SavedWindow(QString iniPath) : CConfig(std::move(iniPath)) {}
    QRect RestoreAndGetOuterGeometry() { return QRect(-30, 12, 640, 480); }
    int VolumePosition() const { return 0; }
    int SelectedOrder() const { return -1; }
    int SplitterPos() const { return 210; }
    int TrackColumnWidth(int column) const { return column == 1 ? 4464 : 300; }
};

void writeOneByOne(const IniFile& ini) {
    const std::pair<const char*, int> values[] = {
        {"_WndMax", 0},       {"_WndX", -30},      {"_WndY", 12},  {"_WndCX", 640},
        {"_WndCY", 480},      {"_Volume", 0},      {"_Order", -1}, {"_SplitterPos", 210},
        {"_Column1CX", 4464}, {"_Column2CX", 300},
    };
    for (const auto& [key, value] : values)
        ini.WriteInt(key, value);
}

} // namespace

TEST(IniBatchTest, SaveWritesItsTenKeysInOneRewriteWithTheSameBytes) {
    struct Case {
        const char* name;
        const char* content; // nullptr: no file yet
        int renames;
    };
    const Case cases[] = {
        {"no file", nullptr, 1},
        {"CR LF, another section, no last line end",
         "; kept\r\n[Quaverly]\r\n_Volume=40\r\nDSP_EnableEq=1\r\n[Other]\r\nx=1", 1},
        {"names in other case, blanks, a comment at the end",
         "[quaverly]\n  _wndx = 5 \n_Column2CX=9\n\n; end\n", 1},
        {"every value already saved",
         "[Quaverly]\n_WndMax=0\n_WndX=-30\n_WndY=12\n_WndCX=640\n_WndCY=480\n_Volume=0\n"
         "_Order=-1\n_SplitterPos=210\n_Column1CX=4464\n_Column2CX=300\n",
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        if (c.content) {
            dir.write("saved.ini", c.content);
            dir.write("one-by-one.ini", c.content);
        }
        FolderWatch watch(dir.path(), "saved.ini");
        SavedWindow window(QString::fromStdString(dir.file("saved.ini")));
        window.Save();
        const FolderWatch::Counts counts = watch.take();
        EXPECT_EQ(counts.opens, c.content ? 1 : 0) << "one read";
        EXPECT_EQ(counts.renamesOnto, c.renames);
        writeOneByOne(IniFile(QString::fromStdString(dir.file("one-by-one.ini"))));
        EXPECT_EQ(readFile(dir.file("saved.ini")), readFile(dir.file("one-by-one.ini")));
    }
}

TEST(IniBatchTest, TheSheetsOkWritesTheOpenPageInOneRewrite) {
    for (const int tab : {0, 1}) {
        SCOPED_TRACE(tab);
        testsupport::TempDir dir;
        const std::string path = dir.write("quaverly.ini", "[Quaverly]\nDSP_EqBand3=-4\n");
        FolderWatch watch(dir.path(), "quaverly.ini");
        settings::CCustomSheet sheet(QString::fromStdString(path), nullptr);
        sheet.tabs()->setCurrentIndex(tab);
        watch.take();
        if (tab == 1)
            sheet.dspPage()->slider(1019)->setValue(2500);
        emit sheet.findChild<QDialogButtonBox*>()->accepted();
        const FolderWatch::Counts counts = watch.take();
        EXPECT_EQ(counts.opens, 1);
        EXPECT_EQ(counts.renamesOnto, 1);
        EXPECT_EQ(IniFile(QString::fromStdString(path)).ReadInt("DSP_EqBand3", 0), -4);
    }
}
