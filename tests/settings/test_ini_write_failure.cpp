// A write that cannot complete must leave the old settings file untouched,
// while the value still applies for the run.
// Root writes through permission bits, so as root these tests use a small
// tmpfs mounted read-only or filled up; otherwise a folder without write
// permission stands in for the read-only case.
#include "settings/ini_file.h"

#include "platform/message_box.h"
#include "res/string_table.h"

#include "support/as_nobody.h"
#include "support/small_tmpfs.h"
#include "support/temp_dir.h"

#include <QCoreApplication>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using settings::IniFile;
using testsupport::readFile;
using testsupport::SmallTmpfs;

namespace {

const char kOldContent[] = "; mine\n[Quaverly]\n_Volume=40\n_LastPath=/music/\n";

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

void expectWritesFailAndKeepTheOldFile(const std::string& iniPath) {
    const IniFile ini(QString::fromStdString(iniPath));
    EXPECT_FALSE(ini.WriteInt(u"_Volume"_qs, 41));
    EXPECT_FALSE(ini.WriteString(u"_LastPlayed"_qs, QString(200, u'p')));
    EXPECT_EQ(readFile(iniPath), kOldContent);
    EXPECT_EQ(ini.ReadInt(u"_Volume"_qs, 100), 41) << "this process reads what it set";
    EXPECT_EQ(ini.ReadString(u"_LastPlayed"_qs, {}), QString(200, u'p'));
    EXPECT_EQ(ini.ReadString(u"_LastPath"_qs, {}), u"/music/"_qs);
}

} // namespace

TEST(IniFileWriteFailure, ReadOnlyFolderKeepsTheOldFile) {
    if (geteuid() != 0) {
        testsupport::TempDir dir;
        writeBytes(dir.file("quaverly.ini"), kOldContent);
        chmod(dir.path().c_str(), 0555);
        expectWritesFailAndKeepTheOldFile(dir.file("quaverly.ini"));
        chmod(dir.path().c_str(), 0755);
        return;
    }
    SmallTmpfs tmpfs("size=64k");
    if (!tmpfs.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    writeBytes(tmpfs.file("quaverly.ini"), kOldContent);
    ASSERT_TRUE(tmpfs.makeReadOnly());
    expectWritesFailAndKeepTheOldFile(tmpfs.file("quaverly.ini"));
}

TEST(IniFileWriteFailure, FullDiskKeepsTheOldFile) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to mount a small tmpfs";
    SmallTmpfs tmpfs("size=64k");
    if (!tmpfs.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    writeBytes(tmpfs.file("quaverly.ini"), kOldContent);
    tmpfs.fillUp();
    expectWritesFailAndKeepTheOldFile(tmpfs.file("quaverly.ini"));
    // Once there is room again, writing works, the file is read again and no
    // temporary file is left.
    ASSERT_EQ(unlink(tmpfs.file("filler").c_str()), 0);
    const IniFile ini(QString::fromStdString(tmpfs.file("quaverly.ini")));
    EXPECT_TRUE(ini.WriteInt(u"_Volume"_qs, 42));
    EXPECT_EQ(ini.ReadInt(u"_Volume"_qs, 100), 42);
    EXPECT_EQ(tmpfs.entries(), QStringList{u"quaverly.ini"_qs});
}

// Each run starts as nobody in a process of its own: the user is told once
// per run, so the count needs a fresh run.
TEST(IniFileWriteFailure, ASettingThatCannotBeStoredAppliesAndTheUserIsToldOnce) {
    testsupport::AsNobody run;
    if (!run.isCopy()) {
        if (!testsupport::AsNobody::possible())
            GTEST_SKIP() << "needs root to run as nobody";
        run.write("quaverly.ini", kOldContent); // root's, so nobody may not write it
        run.runCopy();
        return;
    }
    const IniFile ini(QString::fromStdString(run.file("quaverly.ini")));
    const platform::MessageRecorder messages;
    const struct {
        const char* key;
        int value;
    } cases[] = {{"_EnableEQ", 1}, {"_EnableReverb", 1}, {"_Volume", 7}, {"_EnableEQ", 0}};
    for (const auto& c : cases) {
        EXPECT_FALSE(ini.WriteInt(QString::fromLatin1(c.key), c.value));
        EXPECT_EQ(ini.ReadInt(QString::fromLatin1(c.key), -1), c.value) << c.key;
    }
    EXPECT_TRUE(ini.WriteStringInBackground(u"_LastPlayed"_qs, u"/music/01 - Intro.flac"_qs));
    IniFile::FinishBackgroundWrites();
    EXPECT_EQ(ini.ReadString(u"_LastPlayed"_qs, {}), u"/music/01 - Intro.flac"_qs);
    EXPECT_EQ(readFile(run.file("quaverly.ini")), kOldContent);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(messages.texts(), QStringList{res::loadString(res::IDS_SETTINGS_NOT_KEPT)});
    EXPECT_TRUE(messages.texts().value(0).contains(u"保存できません"_qs));
}
