// A write that cannot complete must leave the old settings file untouched.
// Root writes through permission bits, so as root these tests use a small
// tmpfs mounted read-only or filled up; otherwise a folder without write
// permission stands in for the read-only case.
#include "settings/ini_file.h"

#include "support/small_tmpfs.h"
#include "support/temp_dir.h"

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
    EXPECT_EQ(ini.ReadInt(u"_Volume"_qs, 100), 40);
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
    // Once there is room again, writing works and leaves no temporary file.
    ASSERT_EQ(unlink(tmpfs.file("filler").c_str()), 0);
    EXPECT_TRUE(
        IniFile(QString::fromStdString(tmpfs.file("quaverly.ini"))).WriteInt(u"_Volume"_qs, 41));
    EXPECT_EQ(tmpfs.entries(), QStringList{u"quaverly.ini"_qs});
}
