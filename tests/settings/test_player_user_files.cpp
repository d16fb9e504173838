// The real player with the user's files: a settings file it cannot read is
// left as it is (the player runs on defaults and says so once), and the
// temporary files of writers killed earlier are cleaned away at start.
#include "support/as_nobody.h"
#include "support/player_sandbox.h"

#include <QDir>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testsupport::AsNobody;
using testsupport::PlayerSandbox;
using testsupport::readFile;

namespace {

// Starts the player, waits until its window exists, closes it as the session
// does (settings saved) and returns what it said.
testsupport::RunResult startAndClose(PlayerSandbox& sandbox, const QString& program,
                                     const QStringList& args) {
    testsupport::BackgroundProcess player(program, args, sandbox.environment());
    EXPECT_TRUE(testsupport::waitUntilReady(player, 30000));
    const testsupport::RunResult result = testsupport::terminate(player, 30000);
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 1) << result.err.toStdString();
    return result;
}

} // namespace

TEST(PlayerUserFilesTest, ASettingsFileThePlayerCannotReadIsLeftAsItIs) {
    if (!AsNobody::possible())
        GTEST_SKIP() << "needs root to run the player as nobody";
    PlayerSandbox sandbox;
    const std::string ini = sandbox.iniPath().toStdString();
    const std::string kSettings = "[Quaverly]\n_Volume=40\n_WndCX=900\nDSP_EnableEq=1\n";
    std::ofstream(ini, std::ios::binary) << kSettings;
    ASSERT_EQ(chmod(ini.c_str(), 0200), 0);
    const QStringList names = QDir(sandbox.folder()).entryList(QDir::Files) << ".";
    for (const QString& name : names)
        AsNobody::giveToNobody((sandbox.folder() + "/" + name).toStdString());
    sandbox.environment().insert("HOME", sandbox.folder());

    const testsupport::RunResult result =
        startAndClose(sandbox, "setpriv", AsNobody::asNobody({sandbox.executable()}));
    EXPECT_EQ(readFile(ini), kSettings);
    EXPECT_EQ(result.err.count("cannot be read"), 1) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(sandbox.iniPath() + " cannot be read (Permission denied)"));
}

TEST(PlayerUserFilesTest, TemporariesOfKilledWritersAreRemovedAtStart) {
    PlayerSandbox sandbox;
    const pid_t ended = fork();
    if (ended == 0)
        _exit(0);
    waitpid(ended, nullptr, 0);
    const struct {
        QString name;
        bool kept;
    } cases[] = {
        {QStringLiteral("quaverly.ini.quaverly-tmp-%1-k3").arg(ended), false},
        {QStringLiteral("Podcast.txt.quaverly-tmp-%1-k5").arg(ended), false},
        {QStringLiteral("Netradio.txt.quaverly-tmp-%1-k4").arg(getpid()), true}, // still writing
        // The user's own files, named like temporaries of other programs.
        {QStringLiteral("notes.txt.tmp-%1-abc").arg(ended), true},
        {QStringLiteral("thesis.odt.tmp-%1-1").arg(ended), true},
        {QStringLiteral("notes.txt.quaverly-tmp-%1-abc").arg(ended), true},
    };
    for (const auto& c : cases)
        std::ofstream((sandbox.folder() + u'/' + c.name).toStdString()) << "[Quaverly]\n";
    startAndClose(sandbox, sandbox.executable(), {});
    for (const auto& c : cases)
        EXPECT_EQ(QFile::exists(sandbox.folder() + u'/' + c.name), c.kept) << c.name.toStdString();
}
