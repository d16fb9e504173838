#include "settings/ini_file.h"

#include "support/temp_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using settings::IniFile;
using testsupport::readFile;

namespace {

class IniFileTest : public testing::Test {
protected:
    std::string filePath() const { return dir_.file("quaverly.ini"); }
    IniFile ini() const { return IniFile(QString::fromStdString(filePath())); }
    void writeFile(const std::string& content) const { dir_.write("quaverly.ini", content); }
    std::string content() const { return readFile(filePath()); }

    testsupport::TempDir dir_;
};

} // namespace

TEST_F(IniFileTest, MissingFileGivesDefaults) {
    EXPECT_EQ(ini().ReadInt(u"_Volume"_qs, 100), 100);
    EXPECT_EQ(ini().ReadInt(u"_Order"_qs, -1), -1);
    EXPECT_EQ(ini().ReadString(u"_LastPath"_qs, u"none"_qs), u"none"_qs);
    EXPECT_EQ(ini().ReadReal(u"DSP_CompGain"_qs), 0.0);
}

TEST_F(IniFileTest, MissingSectionOrKeyGivesDefaults) {
    writeFile("[Other]\n_Volume=5\n[Quaverly]\n_Order=2\n");
    EXPECT_EQ(ini().ReadInt(u"_Volume"_qs, 100), 100);
    EXPECT_EQ(ini().ReadInt(u"_Order"_qs, 0), 2);
    writeFile("_Volume=5\n"); // a key before any section belongs to none
    EXPECT_EQ(ini().ReadInt(u"_Volume"_qs, 100), 100);
}

TEST_F(IniFileTest, FirstWriteCreatesFileAndSection) {
    EXPECT_TRUE(ini().WriteInt(u"_Volume"_qs, 80));
    EXPECT_EQ(content(), "[Quaverly]\n_Volume=80\n");
    EXPECT_TRUE(ini().WriteString(u"_LastPath"_qs, u"/music/"_qs));
    EXPECT_EQ(content(), "[Quaverly]\n_Volume=80\n_LastPath=/music/\n");
    EXPECT_EQ(ini().ReadInt(u"_Volume"_qs, 100), 80);
}

TEST_F(IniFileTest, ReplacesInPlaceAndKeepsEveryOtherLine) {
    const std::string before = "; written by hand\r\n"
                               "[Other]\r\n"
                               "_Volume=1\r\n"
                               "\r\n"
                               "[Quaverly]\r\n"
                               "  _WndX = 10  \r\n"
                               "Unknown=keep me\r\n"
                               "; _Volume=3\r\n"
                               "_Volume=40\r\n"
                               "\r\n"
                               "[Tail]\r\n"
                               "x=y";
    writeFile(before);
    EXPECT_TRUE(ini().WriteInt(u"_Volume"_qs, 55));
    EXPECT_TRUE(ini().WriteInt(u"_WndX"_qs, -7));
    EXPECT_EQ(content(), "; written by hand\r\n"
                         "[Other]\r\n"
                         "_Volume=1\r\n"
                         "\r\n"
                         "[Quaverly]\r\n"
                         "_WndX=-7\r\n"
                         "Unknown=keep me\r\n"
                         "; _Volume=3\r\n"
                         "_Volume=55\r\n"
                         "\r\n"
                         "[Tail]\r\n"
                         "x=y");
}

TEST_F(IniFileTest, NewKeyGoesAtTheEndOfItsSection) {
    writeFile("[Quaverly]\n_Volume=40\n\n[Tail]\nx=y\n");
    EXPECT_TRUE(ini().WriteInt(u"_Order"_qs, 3));
    EXPECT_EQ(content(), "[Quaverly]\n_Volume=40\n_Order=3\n\n[Tail]\nx=y\n");
}

TEST_F(IniFileTest, SectionAddedAfterOtherContent) {
    writeFile("[Other]\na=b"); // no line break at the end
    EXPECT_TRUE(ini().WriteInt(u"_Volume"_qs, 1));
    EXPECT_EQ(content(), "[Other]\na=b\n[Quaverly]\n_Volume=1\n");
    writeFile("[Quaverly]\n_Order=1"); // last key without a line break
    EXPECT_TRUE(ini().WriteInt(u"_Volume"_qs, 2));
    EXPECT_EQ(content(), "[Quaverly]\n_Order=1\n_Volume=2\n");
}

TEST_F(IniFileTest, SectionAndKeyLookupIgnoresCase) {
    writeFile("[QUAVERLY]\n_volume=33\n");
    EXPECT_EQ(ini().ReadInt(u"_Volume"_qs, 100), 33);
    EXPECT_TRUE(ini().WriteInt(u"_VOLUME"_qs, 34));
    EXPECT_EQ(content(), "[QUAVERLY]\n_VOLUME=34\n");
}

TEST_F(IniFileTest, WhitespaceIsTolerated) {
    writeFile("\xEF\xBB\xBF  [ Quaverly ]  \n\t_Volume\t=\t 12 \n_LastPath =  /a b/  \n");
    EXPECT_EQ(ini().ReadInt(u"_Volume"_qs, 100), 12);
    EXPECT_EQ(ini().ReadString(u"_LastPath"_qs, QString()), u"/a b/"_qs);
}

TEST_F(IniFileTest, FirstOfDuplicateKeysAndSectionsWins) {
    writeFile("[Quaverly]\n_Volume=1\n_Volume=2\n[Quaverly]\n_Volume=3\n_Order=4\n");
    EXPECT_EQ(ini().ReadInt(u"_Volume"_qs, 100), 1);
    EXPECT_EQ(ini().ReadInt(u"_Order"_qs, 0), 0);
    EXPECT_TRUE(ini().WriteInt(u"_Volume"_qs, 9));
    EXPECT_EQ(content(), "[Quaverly]\n_Volume=9\n_Volume=2\n[Quaverly]\n_Volume=3\n_Order=4\n");
}

TEST_F(IniFileTest, IntegersReadLikeAtoi) {
    writeFile("[Quaverly]\n"
              "neg=-20\n"
              "plus=+5\n"
              "text=abc\n"
              "unit=12px\n"
              "real=-3.5\n"
              "empty=\n"
              "minusOnly=-\n"
              "big=70000\n"
              "wrap=4294967297\n");
    EXPECT_EQ(ini().ReadInt(u"neg"_qs, 1), -20);
    EXPECT_EQ(ini().ReadInt(u"plus"_qs, 1), 5);
    EXPECT_EQ(ini().ReadInt(u"text"_qs, 1), 0);
    EXPECT_EQ(ini().ReadInt(u"unit"_qs, 1), 12);
    EXPECT_EQ(ini().ReadInt(u"real"_qs, 1), -3);
    EXPECT_EQ(ini().ReadInt(u"empty"_qs, 1), 0);
    EXPECT_EQ(ini().ReadInt(u"minusOnly"_qs, 1), 0);
    EXPECT_EQ(ini().ReadInt(u"big"_qs, 1), 70000);
    EXPECT_EQ(ini().ReadInt(u"wrap"_qs, 1), 1);
}

TEST_F(IniFileTest, IntegersAreWrittenAsPlainDecimal) {
    EXPECT_TRUE(ini().WriteInt(u"a"_qs, -2147483647 - 1));
    EXPECT_TRUE(ini().WriteInt(u"b"_qs, 0));
    EXPECT_EQ(content(), "[Quaverly]\na=-2147483648\nb=0\n");
    EXPECT_EQ(ini().ReadInt(u"a"_qs, 1), -2147483647 - 1);
}

TEST_F(IniFileTest, RealsReadFromTheWholeValue) {
    writeFile("[Quaverly]\n"
              "a=-3.5\nb=2500\nc=1e2\nd=3.5dB\ne=abc\nf=\ng=1,5\nh=inf\n");
    EXPECT_DOUBLE_EQ(ini().ReadReal(u"a"_qs), -3.5);
    EXPECT_DOUBLE_EQ(ini().ReadReal(u"b"_qs), 2500.0);
    EXPECT_DOUBLE_EQ(ini().ReadReal(u"c"_qs), 100.0);
    for (const QString& key : {u"d"_qs, u"e"_qs, u"f"_qs, u"g"_qs, u"h"_qs, u"missing"_qs})
        EXPECT_EQ(ini().ReadReal(key), 0.0);
}

TEST_F(IniFileTest, LongValuesKeepWholePathsAndAreCutOnlyBeyondPathMax) {
    // A track deep in a music library, its folder names as people name them.
    QString deep = u"/home/me/Music"_qs;
    while (deep.size() < 290)
        deep += u"/Disc 2 - The Complete Recordings (Remastered 2011) [FLAC]"_qs;
    deep += u"/01 - Intro.flac"_qs;
    ASSERT_GE(deep.size(), 300);
    const int limit = IniFile::kMaxStringLength;
    const QString longest = u"/"_qs + QString(limit - 2, u'x'); // PATH_MAX - 1 bytes
    const QString tooLong(limit + 100, u'x');
    // A character outside the BMP across the limit is dropped whole.
    const QString emojiAtLimit = QString(limit - 1, u'y') + u"\U0001F3B5z"_qs;
    const QString emojiInside = QString(limit - 2, u'y') + u"\U0001F3B5z"_qs;
    const struct {
        QString written;
        QString read;
    } cases[] = {
        {deep, deep},
        {longest, longest},
        {tooLong, tooLong.left(limit)},
        {emojiAtLimit, QString(limit - 1, u'y')},
        {emojiInside, emojiInside.left(limit)},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(ini().WriteString(u"_LastPlayed"_qs, c.written));
        EXPECT_EQ(ini().ReadString(u"_LastPlayed"_qs, QString()), c.read)
            << c.written.size() << " units written";
    }
}

TEST_F(IniFileTest, StringsRoundTripInUtf8AndEmptyIsNotMissing) {
    const QString path = u"/\u97F3\u697D/\u66F2 = 1.mp3"_qs;
    EXPECT_TRUE(ini().WriteString(u"_LastPlayed"_qs, path));
    EXPECT_EQ(content(),
              "[Quaverly]\n_LastPlayed=/\xE9\x9F\xB3\xE6\xA5\xBD/\xE6\x9B\xB2 = 1.mp3\n");
    EXPECT_EQ(ini().ReadString(u"_LastPlayed"_qs, QString()), path);
    EXPECT_TRUE(ini().WriteString(u"_LastPath"_qs, QString()));
    EXPECT_EQ(ini().ReadString(u"_LastPath"_qs, u"default"_qs), u""_qs);
}

TEST_F(IniFileTest, AValueThatIsNotUtf8KeepsItsBytes) {
    // Latin-1 and CP932 names of files on this disk.
    const std::string line = "_LastPlayed=/caf\xE9/\x89\xB9\x8A\x79.mp3\n";
    writeFile("[Quaverly]\n" + line);
    const QString played = ini().ReadString(u"_LastPlayed"_qs, QString());
    EXPECT_TRUE(ini().WriteString(u"_LastPath"_qs, played));
    EXPECT_EQ(content(), "[Quaverly]\n" + line + "_LastPath=" + line.substr(12));
}

TEST_F(IniFileTest, RefusesWhatWouldBreakTheFile) {
    writeFile("[Quaverly]\n_LastPath=/old/\n");
    EXPECT_FALSE(ini().WriteString(u"_LastPath"_qs, u"/a\nb/"_qs));
    EXPECT_FALSE(ini().WriteString(u"_LastPath"_qs, u"/a\rb/"_qs));
    EXPECT_FALSE(ini().WriteInt(u"a=b"_qs, 1));
    EXPECT_FALSE(ini().WriteInt(QString(), 1));
    EXPECT_FALSE(ini().WriteInt(u"[x]"_qs, 1));
    EXPECT_EQ(content(), "[Quaverly]\n_LastPath=/old/\n");
}

TEST_F(IniFileTest, WritesLeaveNoTemporaryFilesBehind) {
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(ini().WriteInt(u"_Volume"_qs, i));
    QDir folder(QString::fromStdString(dir_.path()));
    EXPECT_EQ(folder.entryList(QDir::Files | QDir::Hidden), QStringList{u"quaverly.ini"_qs});
}

TEST_F(IniFileTest, KeepsPermissionsAndWritesThroughSymbolicLinks) {
    writeFile("[Quaverly]\n_Volume=1\n");
    ASSERT_EQ(chmod(filePath().c_str(), 0640), 0);
    const std::string link = dir_.file("link.ini");
    ASSERT_EQ(symlink(filePath().c_str(), link.c_str()), 0);
    EXPECT_TRUE(IniFile(QString::fromStdString(link)).WriteInt(u"_Volume"_qs, 2));
    EXPECT_EQ(content(), "[Quaverly]\n_Volume=2\n");
    struct stat info {};
    ASSERT_EQ(lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(stat(filePath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(IniFileDefaultPath, SitsBesideTheExecutable) {
    EXPECT_EQ(IniFile().path(), QCoreApplication::applicationFilePath() + u".ini"_qs);
}
