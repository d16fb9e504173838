// The real program unpacked into a folder whose name is not UTF-8: its
// settings file stays beside it, in that folder and no other.
#include "support/names_not_utf8.h"
#include "support/player_sandbox.h"
#include "support/temp_dir.h"

#include <QByteArray>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

constexpr int kStartTimeoutMs = 20000;

// A file of the sandbox in folder too, linked when the file system allows.
void placeBeside(const fs::path& file, const fs::path& folder) {
    std::error_code linkFailed;
    fs::create_hard_link(file, folder / file.filename(), linkFailed);
    if (linkFailed)
        fs::copy_file(file, folder / file.filename());
}

} // namespace

TEST(UserFilesProcess, SettingsStayBesideAProgramInAFolderNamedInAnyBytes) {
    PlayerSandbox sandbox;
    const fs::path root = sandbox.folder().toStdString();
    sandbox.environment().insert("XDG_CONFIG_HOME", sandbox.folder() + "/config");
    const std::string abandoned =
        "quaverly.ini.quaverly-tmp-" + std::to_string(endedProcessId()) + "-0";
    for (const char* name : kNamesNotUtf8) {
        SCOPED_TRACE(QByteArray(name).toHex().constData());
        const fs::path folder = root / name;
        fs::create_directory(folder);
        placeBeside(root / "quaverly", folder);
        placeBeside(root / "libquaverly-codecs.so", folder);
        std::ofstream(folder / abandoned) << "x";
        // Started through a link with a UTF-8 name: the program still finds
        // itself in the folder the link points into.
        const fs::path link = root / ("run-" + QByteArray(name).toHex().toStdString());
        fs::create_symlink(folder / "quaverly", link);
        BackgroundProcess player(QString::fromStdString(link.string()), {}, sandbox.environment());
        ASSERT_TRUE(waitUntilReady(player, kStartTimeoutMs));
        const RunResult result = terminate(player, kStartTimeoutMs);
        ASSERT_TRUE(result.finished) << result.err.toStdString();
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(readFile((folder / "quaverly.ini").string()).find("[Quaverly]"),
                  std::string::npos);
        EXPECT_FALSE(fs::exists(folder / abandoned)) << "the killed writer's file was removed";
        EXPECT_FALSE(fs::exists(root / "config")) << "no other folder was used";
    }
}
