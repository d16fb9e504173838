// Reads keep the parsed settings file while it stays the same, and see every
// change at the next read, whoever made it and however it was made.
#include "folder_watch.h"
#include "settings/ini_file.h"
#include "support/process_runner.h"
#include "support/temp_dir.h"

#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

using settings::IniFile;

namespace {

// Reads until a read no longer opens the file: the file's last change is then
// older than the clock tick that stamps changes (milliseconds; bounded).
bool readUntilKept(const IniFile& ini, FolderWatch& watch) {
    for (int i = 0; i < 100000; ++i) {
        ini.ReadInt("_Volume", 0);
        if (watch.take().opens == 0)
            return true;
    }
    return false;
}

// Another process changes the file as `script` says ($1 the file, $2 the new
// content, $3 the file's modification time, to be put back as editors that
// keep times do).
void changeByAnotherProcess(const std::string& path, const std::string& content,
                            const char* script) {
    struct stat status {};
    stat(path.c_str(), &status);
    const QString time = QString::asprintf(
        "@%lld.%09ld", static_cast<long long>(status.st_mtim.tv_sec), status.st_mtim.tv_nsec);
    const testsupport::RunResult result = testsupport::runProgram(
        "sh",
        {"-c", script, "sh", QString::fromStdString(path), QString::fromStdString(content), time},
        10000);
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
}

} // namespace

TEST(IniCacheTest, AnUnchangedFileIsParsedOnceAndEveryChangeIsSeen) {
    testsupport::TempDir dir;
    const std::string path = dir.write("quaverly.ini", "[Quaverly]\n_Volume=40\n");
    FolderWatch watch(dir.path(), "quaverly.ini");
    const IniFile ini(QString::fromStdString(path));
    struct Change {
        const char* name;
        std::function<void()> make;
        int expected;
    };
    const std::vector<Change> changes = {
        {"written in place, same size and time",
         [&] {
             changeByAnotherProcess(path, "[Quaverly]\n_Volume=41\n",
                                    R"(printf %s "$2" 1<>"$1" && touch -m -d "$3" "$1")");
         },
         41},
        {"replaced by a file of the same size and time",
         [&] {
             changeByAnotherProcess(path, "[Quaverly]\n_Volume=42\n",
                                    R"(printf %s "$2" >"$1.new" && touch -m -d "$3" "$1.new" &&
                                       mv "$1.new" "$1")");
         },
         42},
        {"written by this process", [&] { ini.WriteInt("_Volume", 43); }, 43},
        {"removed", [&] { unlink(path.c_str()); }, 100},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        ASSERT_TRUE(readUntilKept(ini, watch));
        for (int i = 0; i < 14; ++i) // the effects chain's reads for one track
            ini.ReadReal("_Volume");
        EXPECT_EQ(watch.take().opens, 0) << "an unchanged file is not read again";
        change.make();
        EXPECT_EQ(ini.ReadInt("_Volume", 100), change.expected);
    }
}
