// Edges of the settings file: a last line that ends in a lone CR (cut before
// its LF, or written with old Mac line ends) keeps its value when another key
// is written after it, and a value's own leading U+FEFF survives the round trip.
#include "settings/ini_file.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

using settings::IniFile;

namespace {

class IniEdgeTest : public testing::Test {
protected:
    IniFile ini() const { return IniFile(QString::fromStdString(dir_.file("quaverly.ini"))); }
    void writeFile(const std::string& content) const { dir_.write("quaverly.ini", content); }
    std::string content() const { return testsupport::readFile(dir_.file("quaverly.ini")); }

    testsupport::TempDir dir_;
};

} // namespace

TEST_F(IniEdgeTest, ANewKeyAfterALastLineEndingInCrKeepsThatValue) {
    writeFile("[Quaverly]\r\n_WndX=100\r");
    ASSERT_EQ(ini().ReadString(u"_WndX"_qs, u""_qs), u"100"_qs);
    ASSERT_TRUE(ini().WriteInt(u"_Volume"_qs, 7));
    EXPECT_EQ(ini().ReadString(u"_WndX"_qs, u""_qs), u"100"_qs);
    EXPECT_EQ(ini().ReadInt(u"_Volume"_qs, 0), 7);
    EXPECT_EQ(content(), "[Quaverly]\r\n_WndX=100\r\n_Volume=7\r\n");
}

TEST_F(IniEdgeTest, ANewSectionAfterALastLineEndingInCrKeepsThatLine) {
    writeFile("[Other]\n_WndX=5\r");
    ASSERT_TRUE(ini().WriteInt(u"_Volume"_qs, 7));
    EXPECT_EQ(content(), "[Other]\n_WndX=5\r\n[Quaverly]\n_Volume=7\n");
    EXPECT_EQ(IniFile(ini().path()).ReadInt(u"_Volume"_qs, 0), 7);
}

TEST_F(IniEdgeTest, ALastLineWithoutAnyLineEndGetsTheFilesOwn) {
    writeFile("[Quaverly]\r\n_WndX=100");
    ASSERT_TRUE(ini().WriteInt(u"_Volume"_qs, 7));
    EXPECT_EQ(content(), "[Quaverly]\r\n_WndX=100\r\n_Volume=7\r\n");
}

TEST_F(IniEdgeTest, AStringStartingWithUFeffReadsBackWithIt) {
    // The file's own byte order mark is skipped; a value's first character is text.
    const QString path = u"\uFEFF/Music/"_qs;
    writeFile("\xEF\xBB\xBF[Quaverly]\n");
    ASSERT_TRUE(ini().WriteString(u"_LastPath"_qs, path));
    EXPECT_EQ(ini().ReadString(u"_LastPath"_qs, u""_qs), path);
    EXPECT_EQ(content(), "\xEF\xBB\xBF[Quaverly]\n_LastPath=\xEF\xBB\xBF/Music/\n");
}
