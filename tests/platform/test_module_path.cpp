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

TEST(ModulePath, FilesBesideTheExecutable) {
    EXPECT_EQ(besideExecutableFor(u"/opt/q/quaverly"_qs, u"Netradio.txt"_qs),
              u"/opt/q/Netradio.txt"_qs);
    EXPECT_EQ(besideExecutableFor(u"/quaverly"_qs, u"Podcast.txt"_qs), u"/Podcast.txt"_qs);
}

TEST(ModulePath, RunningExecutableIsThisTestProgram) {
    const QString exe = executablePath();
    EXPECT_EQ(exe, QCoreApplication::applicationFilePath());
    EXPECT_EQ(settingsFilePath(), exe + u".ini"_qs);
    EXPECT_EQ(besideExecutable(u"x.txt"_qs), QCoreApplication::applicationDirPath() + u"/x.txt"_qs);
}
