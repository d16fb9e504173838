// A write that cannot complete must leave the old settings file untouched.
// Root writes through permission bits, so as root these tests use a small
// tmpfs mounted read-only or filled up; otherwise a folder without write
// permission stands in for the read-only case.
#include "settings/ini_file.h"

#include "support/temp_dir.h"

#include <QDir>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using settings::IniFile;
using testsupport::readFile;

namespace {

const char kOldContent[] = "; mine\n[Quaverly]\n_Volume=40\n_LastPath=/music/\n";

// A tmpfs mounted on a fresh folder for the life of the object.
class SmallTmpfs {
public:
    explicit SmallTmpfs(const char* options) {
        mounted_ = mount("tmpfs", dir_.path().c_str(), "tmpfs", 0, options) == 0;
    }
    ~SmallTmpfs() {
        if (mounted_)
            umount2(dir_.path().c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    bool makeReadOnly() const {
        return mount(nullptr, dir_.path().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    std::string file(const std::string& name) const { return dir_.file(name); }

private:
    testsupport::TempDir dir_;
    bool mounted_ = false;
};

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Fills the file system holding path until no byte is left.
void fillUp(const std::string& path) {
    std::ofstream filler(path, std::ios::binary);
    const std::string block(4096, 'f');
    while (filler.write(block.data(), static_cast<std::streamsize>(block.size())))
        filler.flush();
    filler.clear();
    for (int i = 0; i < 4096 && filler.put('f'); ++i)
        filler.flush();
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
    fillUp(tmpfs.file("filler"));
    expectWritesFailAndKeepTheOldFile(tmpfs.file("quaverly.ini"));
    // Once there is room again, writing works and leaves no temporary file.
    ASSERT_EQ(unlink(tmpfs.file("filler").c_str()), 0);
    EXPECT_TRUE(
        IniFile(QString::fromStdString(tmpfs.file("quaverly.ini"))).WriteInt(u"_Volume"_qs, 41));
    QDir folder(QString::fromStdString(tmpfs.file("")));
    EXPECT_EQ(folder.entryList(QDir::Files | QDir::Hidden), QStringList{u"quaverly.ini"_qs});
}
