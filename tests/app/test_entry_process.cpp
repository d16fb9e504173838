// The real program as a process: exit codes, the codec module version check, the
// device failure message and the single-instance rule with two processes.
#include "support/player_sandbox.h"

#include <QFile>
#include <QTest>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testsupport;

namespace {
constexpr int kStartTimeoutMs = 20000;
}

TEST(EntryProcess, ANormalCloseExitsWithOneAndSavesTheSettings) {
    PlayerSandbox sandbox;
    auto player = sandbox.start({});
    ASSERT_TRUE(waitUntilReady(*player, kStartTimeoutMs));
    const RunResult result = terminate(*player, kStartTimeoutMs);
    ASSERT_TRUE(result.finished) << result.err.toStdString();
    EXPECT_EQ(result.exitCode, 1);
    const QString ini = sandbox.readIni();
    EXPECT_TRUE(ini.contains("[Quaverly]"));
    EXPECT_TRUE(ini.contains("_WndCX=480"));
    EXPECT_TRUE(ini.contains("_Volume=100"));
    EXPECT_TRUE(ini.contains("_Order=0"));
    EXPECT_TRUE(sandbox.messages().isEmpty());
}

TEST(EntryProcess, ACodecModuleOfAnotherVersionIsRefusedAtStart) {
    PlayerSandbox sandbox;
    const QString module = sandbox.folder() + "/libquaverly-codecs.so";
    ASSERT_TRUE(QFile::remove(module));
    ASSERT_TRUE(QFile::copy(QUAVERLY_STALE_CODEC_MODULE, module));
    const RunResult result = sandbox.run({}, kStartTimeoutMs);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(sandbox.messages(), QStringList{"不正なバージョンのBASS.DLLがロードされました"});
    EXPECT_FALSE(QFile::exists(sandbox.iniPath())) << "nothing else is touched";
}

TEST(EntryProcess, WithoutACodecModuleTheProgramStillStarts) {
    PlayerSandbox sandbox;
    ASSERT_TRUE(QFile::remove(sandbox.folder() + "/libquaverly-codecs.so"));
    auto player = sandbox.start({});
    ASSERT_TRUE(waitUntilReady(*player, kStartTimeoutMs));
    EXPECT_EQ(terminate(*player, kStartTimeoutMs).exitCode, 1);
    EXPECT_TRUE(sandbox.messages().isEmpty());
}

TEST(EntryProcess, ASoundOutputThatCannotOpenEndsWithMessage114) {
    PlayerSandbox sandbox;
    sandbox.environment().insert("QUAVERLY_AUDIO", "wav:/nonexistent-folder/out.wav");
    const RunResult result = sandbox.run({}, kStartTimeoutMs);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(sandbox.messages(), QStringList{"デバイスを初期化できません"});
}

TEST(EntryProcess, ASecondStartWithoutArgumentLeavesTheFirstRunning) {
    PlayerSandbox sandbox;
    sandbox.writeIni("[Quaverly]\nGeneral_NoMultiInst=1\n");
    auto first = sandbox.start({});
    ASSERT_TRUE(waitUntilReady(*first, kStartTimeoutMs));
    const RunResult second = sandbox.run({}, kStartTimeoutMs);
    ASSERT_TRUE(second.finished);
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_TRUE(first->started()) << "the first instance keeps running";
    EXPECT_EQ(terminate(*first, kStartTimeoutMs).exitCode, 1);
}

TEST(EntryProcess, ASecondStartWithAnArgumentClosesTheFirstAndGoesOn) {
    PlayerSandbox sandbox;
    sandbox.writeIni("[Quaverly]\nGeneral_NoMultiInst=1\n_Volume=55\n");
    auto first = sandbox.start({});
    ASSERT_TRUE(waitUntilReady(*first, kStartTimeoutMs));
    auto second = sandbox.start({sandbox.folder() + "/"});
    const RunResult firstResult = first->wait(kStartTimeoutMs);
    ASSERT_TRUE(firstResult.finished);
    EXPECT_EQ(firstResult.exitCode, 1) << "closed normally";
    EXPECT_TRUE(sandbox.readIni().contains("_WndCX=480")) << "and saved its settings";
    ASSERT_TRUE(waitUntilReady(*second, kStartTimeoutMs));
    EXPECT_EQ(terminate(*second, kStartTimeoutMs).exitCode, 1);
}

TEST(EntryProcess, WithoutTheOptionTwoInstancesRun) {
    PlayerSandbox sandbox;
    auto first = sandbox.start({});
    ASSERT_TRUE(waitUntilReady(*first, kStartTimeoutMs));
    auto second = sandbox.start({sandbox.folder() + "/"});
    ASSERT_TRUE(waitUntilReady(*second, kStartTimeoutMs));
    EXPECT_TRUE(first->started());
    EXPECT_EQ(terminate(*second, kStartTimeoutMs).exitCode, 1);
    EXPECT_EQ(terminate(*first, kStartTimeoutMs).exitCode, 1);
}

TEST(EntryProcess, ASecondStartWhileTheFirstBuildsItsWindowClosesTheFirst) {
    PlayerSandbox sandbox;
    sandbox.writeIni("[Quaverly]\nGeneral_NoMultiInst=1\n");
    // The first instance's sound output is a FIFO that nobody reads yet: it
    // holds the instance lock and waits in its device start, before its
    // window exists.
    const QByteArray device = QFile::encodeName(sandbox.folder() + "/device.wav");
    ASSERT_EQ(mkfifo(device.constData(), 0600), 0);
    sandbox.environment().insert("QUAVERLY_AUDIO", "wav:" + QFile::decodeName(device));
    auto first = sandbox.start({});
    const QString lock = sandbox.folder() + "/quaverly-" + QString::number(getuid()) + ".lock";
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(lock); }, kStartTimeoutMs));

    sandbox.environment().insert("QUAVERLY_AUDIO", "null");
    auto second = sandbox.start({sandbox.folder() + "/"});
    ASSERT_TRUE(waitUntilReady(*second, kStartTimeoutMs));
    // The first one's device opens now; it builds its window and then closes.
    const int reader = open(device.constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const RunResult firstResult = first->wait(kStartTimeoutMs);
    close(reader);
    ASSERT_TRUE(firstResult.finished) << "both instances kept running";
    EXPECT_EQ(firstResult.exitCode, 1) << "closed normally";
    EXPECT_EQ(terminate(*second, kStartTimeoutMs).exitCode, 1);
}
