#include "platform/module_path.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace platform;

TEST(ModulePath, SettingsFileSharesTheExecutablesBaseName) {
    EXPECT_EQ(settingsFilePathFor(u"/opt/q/quaverly"_qs), u"/opt/q/quaverly.ini"_qs);
    EXPECT_EQ(settingsFilePathFor(u"/opt/q/player.exe"_qs), u"/opt/q/player.ini"_qs);
    EXPECT_EQ(settingsFilePathFor(u"/opt/q.d/quaverly"_qs), u"/opt/q.d/quaverly.ini"_qs);
    EXPECT_EQ(settingsFilePathFor(u"/opt/q/quaverly.bin.x"_qs), u"/opt/q/quaverly.bin.ini"_qs);
}

TEST(ModulePath, UserFilesStayBesideAWritableExecutable) {
    EXPECT_EQ(userFileFolderFor(u"/opt/q/quaverly"_qs, true, u"/cfg"_qs, u"/home/u"_qs),
              u"/opt/q/"_qs);
    EXPECT_EQ(userFileFolderFor(u"/quaverly"_qs, true, QString(), u"/home/u"_qs), u"/"_qs);
}

TEST(ModulePath, UserFilesMoveToTheConfigFolderOfAnInstalledCopy) {
    EXPECT_EQ(userFileFolderFor(u"/usr/bin/quaverly"_qs, false, u"/cfg/"_qs, u"/home/u"_qs),
              u"/cfg/quaverly/"_qs);
    EXPECT_EQ(userFileFolderFor(u"/usr/bin/quaverly"_qs, false, QString(), u"/home/u"_qs),
              u"/home/u/.config/quaverly/"_qs);
    // A relative XDG_CONFIG_HOME is not a valid setting and is ignored.
    EXPECT_EQ(userFileFolderFor(u"/usr/bin/quaverly"_qs, false, u"cfg"_qs, u"/home/u"_qs),
              u"/home/u/.config/quaverly/"_qs);
}

TEST(ModulePath, RunningExecutableIsThisTestProgram) {
    const QString exe = executablePath();
    EXPECT_EQ(exe, QCoreApplication::applicationFilePath());
    EXPECT_EQ(settingsFilePath(), exe + u".ini"_qs);
    EXPECT_EQ(userFilePath(u"x.txt"_qs), QCoreApplication::applicationDirPath() + u"/x.txt"_qs);
}
