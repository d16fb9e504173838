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
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using testsupport::readFile;

namespace {

const QStringList kOwnNames = {u"quaverly.ini"_qs, u"Netradio.txt"_qs, u"Podcast.txt"_qs};

} // namespace

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

TEST(OwnedFileTest, OnlyTheProgramsOwnTemporariesOfEndedWritersAreRemoved) {
    testsupport::TempDir dir;
    const std::string dead = std::to_string(testsupport::endedProcessId());
    const std::string alive = std::to_string(getpid());
    struct Case {
        std::string name;
        bool kept;
    };
    const std::vector<Case> cases = {
        {"quaverly.ini.quaverly-tmp-" + dead + "-1z141z3", false},
        {"Netradio.txt.quaverly-tmp-" + dead + "-0", false},
        {"Podcast.txt.quaverly-tmp-" + alive + "-abc", true},   // its writer still runs
        {"quaverly.ini.quaverly-tmp-" + dead + "-ABC", true},   // not a name this program gives
        {"quaverly.ini.quaverly-tmp-" + dead + "-abc-d", true}, // nor this
        {"quaverly.ini.tmp-" + dead + "-abc", true},            // nor this
        // The user's files, whatever their names look like.
        {"notes.txt.tmp-" + dead + "-abc", true},
        {"thesis.odt.tmp-4000000-1", true},
        {"notes.txt.quaverly-tmp-" + dead + "-abc", true},
        {"Podcast.txt.old.quaverly-tmp-" + dead + "-0", true},
        {"quaverly.ini", true},
    };
    for (const Case& c : cases)
        dir.write(c.name, "x");
    const std::string others = "Podcast.txt.quaverly-tmp-" + dead + "-other"; // another user's
    dir.write(others, "x");
    if (testsupport::AsNobody::possible())
        testsupport::AsNobody::giveToNobody(dir.file(others));
    platform::removeAbandonedTemporaries(QString::fromStdString(dir.path()), kOwnNames);
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

        const std::string abandoned = "Podcast.txt.quaverly-tmp-" + dead + "-0";
        dir.write(std::string(name) + "/" + abandoned, "x");
        platform::removeAbandonedTemporaries(
            platform::decodeFileName(QByteArray::fromStdString(folder)), kOwnNames);
        EXPECT_FALSE(std::filesystem::exists(folder + "/" + abandoned));
        EXPECT_TRUE(std::filesystem::exists(folder + "/q.ini"));
    }
}

namespace {

// A settings file kept with the dotfiles: dotfiles/quaverly.ini, mode 0640,
// reached from two program folders through links.
struct LinkedDotfile {
    testsupport::TempDir dir;
    std::string target;
    std::string links[2];
    LinkedDotfile() {
        std::filesystem::create_directories(dir.file("dotfiles"));
        target = dir.write("dotfiles/quaverly.ini", "[Quaverly]\n");
        EXPECT_EQ(chmod(target.c_str(), 0640), 0);
        for (int i = 0; i < 2; ++i) {
            const std::string folder = dir.file("player" + std::to_string(i));
            std::filesystem::create_directories(folder);
            links[i] = folder + "/quaverly.ini";
            std::filesystem::create_symlink("../dotfiles/quaverly.ini", links[i]);
        }
    }
};

} // namespace

TEST(OwnedFileTest, TwoWritersThroughLinksToOneFileLoseNothing) {
    LinkedDotfile dotfile;
    constexpr int kUpdates = 60;
    const auto appendLines = [&](int writer) {
        const QString path = QString::fromStdString(dotfile.links[writer]);
        for (int i = 0; i < kUpdates; ++i) {
            platform::OwnedFileUpdate update(path);
            ASSERT_TRUE(update.ready());
            ASSERT_TRUE(
                update.replace(update.content() + QByteArrayLiteral("w%1=%2\n")
                                                      .replace("%1", QByteArray::number(writer))
                                                      .replace("%2", QByteArray::number(i))));
        }
    };
    std::thread first(appendLines, 0);
    appendLines(1);
    first.join();
    const QByteArray content = QByteArray::fromStdString(readFile(dotfile.target));
    for (int writer = 0; writer < 2; ++writer) {
        for (int i = 0; i < kUpdates; ++i)
            EXPECT_TRUE(content.contains(QStringLiteral("w%1=%2\n").arg(writer).arg(i).toUtf8()))
                << "w" << writer << "=" << i;
        EXPECT_TRUE(std::filesystem::is_symlink(dotfile.links[writer]));
    }
    struct stat status;
    ASSERT_EQ(stat(dotfile.target.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
}

TEST(OwnedFileTest, AnUpdateThroughALinkLocksTheFolderOfItsTarget) {
    LinkedDotfile dotfile;
    platform::OwnedFileUpdate update(QString::fromStdString(dotfile.links[0]));
    ASSERT_TRUE(update.ready());
    const struct {
        std::string folder;
        bool locked;
    } cases[] = {
        {dotfile.dir.file("dotfiles"), true},
        {dotfile.dir.file("player0"), false},
    };
    for (const auto& c : cases) {
        const int fd = open(c.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        const bool free = flock(fd, LOCK_EX | LOCK_NB) == 0;
        EXPECT_EQ(!free, c.locked) << c.folder;
        close(fd);
    }
}
