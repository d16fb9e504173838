// The real player as a process on the private session bus: its bus name
// lives as long as it runs, a second copy takes an instance name, playerctl
// drives it as a desktop client would, and without a bus it runs as ever.
#include "mpris_client.h"
#include "support/fixtures.h"
#include "support/player_sandbox.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

constexpr int kTimeoutMs = 20000;
const QString kName = QStringLiteral("org.mpris.MediaPlayer2.quaverly");

} // namespace

class MprisProcessTest : public ::testing::Test {
protected:
    // The folder holds a.mp3 (20 s, tagged) and b.wav (10 s, untagged); the
    // order repeats the list, so Next always finds a track.
    void SetUp() override {
        QFile::copy(QString::fromStdString(fixture("tone_1k_20s.mp3")), file("a.mp3"));
        QFile::copy(QString::fromStdString(fixture("silence_10s.wav")), file("b.wav"));
        sandbox.writeIni("[Quaverly]\n_Order=1\n");
    }

    QString file(const QString& name) const { return sandbox.folder() + "/" + name; }

    RunResult playerctl(const QStringList& args) const {
        return runProgram("playerctl", QStringList{"-p", "quaverly"} + args, kTimeoutMs);
    }
    QString playerctlText(const QStringList& args) const { return playerctl(args).out.trimmed(); }
    bool waitForStatus(const QString& status) const {
        return QTest::qWaitFor([&] { return playerctlText({"status"}) == status; }, kTimeoutMs);
    }

    PlayerSandbox sandbox;
    MprisClient client;
};

TEST_F(MprisProcessTest, TheNameLivesWhileThePlayerRunsAndQuitClosesItNormally) {
    ASSERT_TRUE(client.connected());
    EXPECT_FALSE(client.hasName(kName));
    auto player = sandbox.start({});
    ASSERT_TRUE(client.waitForName(kName, true));
    EXPECT_EQ(client.get("Identity", kRoot).toString(), "Quaverly");

    client.call("Quit", {}, kRoot);
    const RunResult result = player->wait(kTimeoutMs);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 1) << "closed as the File menu's Exit closes it";
    EXPECT_TRUE(sandbox.readIni().contains("_WndCX=")) << "and the settings were saved";
    EXPECT_TRUE(client.waitForName(kName, false));
}

TEST_F(MprisProcessTest, ASecondCopyTakesAnInstanceNameOfItsOwn) {
    auto first = sandbox.start({});
    ASSERT_TRUE(client.waitForName(kName, true));
    PlayerSandbox otherSandbox;
    auto second = otherSandbox.start({});
    const QString instance = kName + ".instance" + QString::number(second->process().processId());
    ASSERT_TRUE(client.waitForName(instance, true));
    client.setBusName(instance);
    EXPECT_EQ(client.get("Identity", kRoot).toString(), "Quaverly");

    EXPECT_EQ(terminate(*second, kTimeoutMs).exitCode, 1);
    EXPECT_TRUE(client.waitForName(instance, false));
    EXPECT_TRUE(client.hasName(kName)) << "the first copy keeps its name";
    EXPECT_EQ(terminate(*first, kTimeoutMs).exitCode, 1);
    EXPECT_TRUE(client.waitForName(kName, false));
}

TEST_F(MprisProcessTest, PlayerctlDrivesThePlayer) {
    auto player = sandbox.start({file("a.mp3")});
    ASSERT_TRUE(client.waitForName(kName, true));
    ASSERT_TRUE(waitForStatus("Playing"));
    const QString first = playerctlText({"metadata", "title"});
    EXPECT_EQ(first, "Title");
    EXPECT_EQ(playerctlText({"metadata", "artist"}), "Artist");
    EXPECT_EQ(playerctlText({"metadata", "album"}), "Album");

    EXPECT_EQ(playerctl({"pause"}).exitCode, 0);
    EXPECT_TRUE(waitForStatus("Paused"));
    EXPECT_EQ(playerctl({"play"}).exitCode, 0);
    EXPECT_TRUE(waitForStatus("Playing"));

    EXPECT_EQ(playerctl({"next"}).exitCode, 0);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QString title = playerctlText({"metadata", "title"});
            return !title.isEmpty() && title != first;
        },
        kTimeoutMs));
    EXPECT_TRUE(waitForStatus("Playing"));
    EXPECT_EQ(terminate(*player, kTimeoutMs).exitCode, 1);
    EXPECT_TRUE(sandbox.messages().isEmpty()) << sandbox.messages().join('\n').toStdString();
}

TEST_F(MprisProcessTest, WithoutAReachableBusThePlayerRunsSilently) {
    sandbox.environment().insert("DBUS_SESSION_BUS_ADDRESS",
                                 "unix:path=" + sandbox.folder() + "/no-bus-here");
    auto player = sandbox.start({file("a.mp3")});
    ASSERT_TRUE(waitUntilReady(*player, kTimeoutMs));
    EXPECT_TRUE(waitForFileContaining(sandbox.iniPath(), "_LastPlayed=", kTimeoutMs))
        << "the command line's file was played";
    EXPECT_FALSE(client.hasName(kName)) << "and nothing reached the test's bus";
    const RunResult result = terminate(*player, kTimeoutMs);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(sandbox.messages().isEmpty());
    // Under the sanitizers, a leak report Qt's bus library may leave at exit
    // names that library in its stacks; it is not the player's output.
    const qsizetype report = result.err.indexOf(QRegularExpression(
        "^={20,}\\n==\\d+==ERROR: \\w+Sanitizer", QRegularExpression::MultilineOption));
    const QString said = report < 0 ? result.err : result.err.left(report);
    EXPECT_FALSE(said.contains("DBus", Qt::CaseInsensitive)) << said.toStdString();
    EXPECT_FALSE(said.contains("D-Bus", Qt::CaseInsensitive)) << said.toStdString();
}
