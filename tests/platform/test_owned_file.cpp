// Rules of the files the user owns: when a file's identity tells every later
// change, what a write may replace, and which temporary files of killed
// writers are cleaned away.
#include "platform/atomic_file.h"
#include "platform/owned_file.h"

#include "platform/file_name.h"

#include "support/as_nobody.h"
#include "support/log_capture.h"
#include "support/names_not_utf8.h"
#include "support/process_runner.h"
#include "support/temp_dir.h"

#include <QDir>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;
using testsupport::readFile;

TEST(OwnedFileTest, AnIdentitySettlesOnlyOutsideTheStampWindow) {
    struct Case {
        timespec changed;
        timespec readStart;
        std::chrono::nanoseconds window;
        bool settled;
    };
    const Case cases[] = {
        {{100, 0}, {100, 0}, 0ns, false},        // changed in the tick of the read
        {{100, 0}, {100, 4000000}, 0ns, true},   // one tick before the read
        {{100, 999999999}, {101, 0}, 0ns, true}, // across a second
        {{100, 0}, {102, 500000000}, 3s, false}, // FAT: within its rounding
        {{100, 0}, {103, 1}, 3s, true},          // FAT: outside it
        {{105, 0}, {100, 0}, 0ns, false},        // stamped by a clock ahead of ours
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::identitySettled(c.changed, c.readStart, c.window), c.settled)
            << c.changed.tv_sec << "." << c.changed.tv_nsec << " read at " << c.readStart.tv_sec
            << "." << c.readStart.tv_nsec;
    }
}

TEST(OwnedFileTest, AFileWithoutWriteBitsIsNotReplacedEvenByRoot) {
    testsupport::TempDir dir;
    for (const mode_t mode : {0444, 0555, 0400}) {
        SCOPED_TRACE(mode);
        const std::string path = dir.write("Podcast.txt", "Show,http://a/feed\r\n");
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
        const testsupport::LogCapture log(QStringLiteral("quaverly."));
        EXPECT_FALSE(platform::replaceFileContent(QString::fromStdString(path), "new\r\n"));
        EXPECT_EQ(readFile(path), "Show,http://a/feed\r\n");
        const QStringList causes = log.messages(QtInfoMsg);
        ASSERT_EQ(causes.size(), 1);
        EXPECT_TRUE(causes[0].contains(QString::fromStdString(path)));
        EXPECT_TRUE(causes[0].contains("Permission denied"));
        ASSERT_EQ(chmod(path.c_str(), 0644), 0);
    }
}

TEST(OwnedFileTest, TemporariesOfWritersThatNoLongerRunAreRemoved) {
    testsupport::TempDir dir;
    const std::string dead = std::to_string(testsupport::endedProcessId());
    const std::string alive = std::to_string(getpid());
    struct Case {
        std::string name;
        bool kept;
    };
    const std::vector<Case> cases = {
        {"quaverly.ini.tmp-" + dead + "-1z141z3", false},
        {"Netradio.txt.tmp-" + dead + "-0", false},
        {"Podcast.txt.tmp-" + alive + "-abc", true},   // its writer still runs
        {"quaverly.ini.tmp-" + dead + "-ABC", true},   // not a name this program gives
        {"quaverly.ini.tmp-" + dead + "-abc-d", true}, // nor this
        {"notes.tmp-x-1", true},                       // nor this
        {"quaverly.ini", true},
    };
    for (const Case& c : cases)
        dir.write(c.name, "x");
    const std::string others = "Podcast.txt.tmp-" + dead + "-other"; // another user's
    dir.write(others, "x");
    if (testsupport::AsNobody::possible())
        testsupport::AsNobody::giveToNobody(dir.file(others));
    platform::removeAbandonedTemporaries(QString::fromStdString(dir.path()));
    for (const Case& c : cases)
        EXPECT_EQ(access(dir.file(c.name).c_str(), F_OK) == 0, c.kept) << c.name;
    if (testsupport::AsNobody::possible()) {
        EXPECT_EQ(access(dir.file(others).c_str(), F_OK), 0) << "another user's file is left";
    }
}

// The settings and list files beside a player unpacked into a folder whose
// name is not UTF-8: each step works on the folder's own bytes.
TEST(OwnedFileTest, FilesInAFolderNamedInAnyBytesAreReadWrittenAndCleaned) {
    testsupport::TempDir dir;
    const std::string dead = std::to_string(testsupport::endedProcessId());
    for (const char* name : testsupport::kNamesNotUtf8) {
        const std::string folder = dir.file(name);
        SCOPED_TRACE(QByteArray(name).toHex().constData());
        ASSERT_TRUE(std::filesystem::create_directory(folder));
        const QString ini = platform::decodeFileName(QByteArray::fromStdString(folder + "/q.ini"));
        {
            platform::OwnedFileUpdate update(ini);
            ASSERT_TRUE(update.ready());
            EXPECT_FALSE(update.existed());
            EXPECT_TRUE(update.replace("[Quaverly]\n_Volume=5\n"));
        }
        EXPECT_EQ(readFile(folder + "/q.ini"), "[Quaverly]\n_Volume=5\n");
        const platform::FileSnapshot read = platform::readOwnedFile(ini);
        EXPECT_EQ(read.state, platform::FileState::Present);
        EXPECT_EQ(read.content, "[Quaverly]\n_Volume=5\n");

        // A list file linked from elsewhere: the link's target is replaced.
        dir.write(std::string(name) + "/Netradio.txt", "old\r\n");
        const std::string link = dir.file(std::string("link-") + QByteArray(name).toHex().data());
        std::filesystem::create_symlink(folder + "/Netradio.txt", link);
        EXPECT_TRUE(platform::replaceFileContent(QString::fromStdString(link), "new\r\n"));
        EXPECT_EQ(readFile(folder + "/Netradio.txt"), "new\r\n");
        EXPECT_TRUE(std::filesystem::is_symlink(link));

        const std::string abandoned = "Podcast.txt.tmp-" + dead + "-0";
        dir.write(std::string(name) + "/" + abandoned, "x");
        platform::removeAbandonedTemporaries(
            platform::decodeFileName(QByteArray::fromStdString(folder)));
        EXPECT_FALSE(std::filesystem::exists(folder + "/" + abandoned));
        EXPECT_TRUE(std::filesystem::exists(folder + "/q.ini"));
    }
}
