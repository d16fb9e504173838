#include "platform/instance_lock.h"

#include "platform/file_name.h"

#include "support/as_nobody.h"
#include "support/names_not_utf8.h"
#include "support/process_runner.h"
#include "support/temp_dir.h"

#include <QCoreApplication>
#include <QProcess>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

namespace {

const char kFolderVariable[] = "QUAVERLY_TEST_LOCK_FOLDER";

QString testLockFolder(const testsupport::TempDir& dir) {
    return QString::fromStdString(dir.path());
}

// Starts this test program as a second process that takes the lock in
// `folder`, prints its outcome ("acquired" or "held") and keeps holding the
// lock until its standard input closes.
std::unique_ptr<QProcess> startLockHolder(const QString& folder) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kFolderVariable), folder);
    process->setProcessEnvironment(env);
    process->start(QCoreApplication::applicationFilePath(),
                   {u"--gtest_also_run_disabled_tests"_qs,
                    u"--gtest_filter=InstanceLockChild.DISABLED_HoldUntilInputCloses"_qs});
    return process;
}

const QByteArray kOutcomeMark("outcome: ");

// The outcome the holder prints on its line marked kOutcomeMark.
std::string holderOutcome(QProcess& process) {
    QByteArray out;
    qsizetype mark = -1;
    while ((mark = out.indexOf(kOutcomeMark)) < 0 || out.indexOf('\n', mark) < 0) {
        if (!process.waitForReadyRead(10000))
            return "no answer";
        out += process.readAllStandardOutput();
    }
    const qsizetype begin = mark + kOutcomeMark.size();
    return out.mid(begin, out.indexOf('\n', mark) - begin).toStdString();
}

void stopHolder(QProcess& process) {
    process.closeWriteChannel();
    process.waitForFinished(10000);
}

} // namespace

// Helper run in a child process by the tests below.
TEST(InstanceLockChild, DISABLED_HoldUntilInputCloses) {
    const char* folder = std::getenv(kFolderVariable);
    ASSERT_NE(folder, nullptr);
    InstanceLock lock(u"QuaverlyTest"_qs, QString::fromLocal8Bit(folder));
    const bool acquired = lock.acquire() == InstanceLock::Outcome::Acquired;
    std::cout << kOutcomeMark.constData() << (acquired ? "acquired" : "held") << std::endl;
    std::string ignored;
    while (std::getline(std::cin, ignored)) {
    }
}

TEST(InstanceLock, FirstProcessAcquiresAndSecondSeesItHeld) {
    testsupport::TempDir dir;
    InstanceLock lock(u"QuaverlyTest"_qs, testLockFolder(dir));
    EXPECT_EQ(lock.acquire(), InstanceLock::Outcome::Acquired);
    EXPECT_EQ(lock.acquire(), InstanceLock::Outcome::Acquired); // asking again changes nothing

    auto second = startLockHolder(testLockFolder(dir));
    EXPECT_EQ(holderOutcome(*second), "held");
    stopHolder(*second);
}

TEST(InstanceLock, LockHeldInAnotherProcessIsSeenHere) {
    testsupport::TempDir dir;
    auto first = startLockHolder(testLockFolder(dir));
    ASSERT_EQ(holderOutcome(*first), "acquired");
    {
        InstanceLock lock(u"QuaverlyTest"_qs, testLockFolder(dir));
        EXPECT_EQ(lock.acquire(), InstanceLock::Outcome::HeldElsewhere);
    }
    stopHolder(*first);
    // The holder has ended: the kernel released its lock.
    InstanceLock after(u"QuaverlyTest"_qs, testLockFolder(dir));
    EXPECT_EQ(after.acquire(), InstanceLock::Outcome::Acquired);
}

TEST(InstanceLock, MarkLivesWhileAnyLaterInstanceRuns) {
    // First holder A, then B joins (finds it held); after A ends, a third
    // start still finds the program running, because B is.
    testsupport::TempDir dir;
    auto a = startLockHolder(testLockFolder(dir));
    ASSERT_EQ(holderOutcome(*a), "acquired");
    auto b = startLockHolder(testLockFolder(dir));
    ASSERT_EQ(holderOutcome(*b), "held");
    stopHolder(*a);
    InstanceLock third(u"QuaverlyTest"_qs, testLockFolder(dir));
    EXPECT_EQ(third.acquire(), InstanceLock::Outcome::HeldElsewhere);
    stopHolder(*b);
}

TEST(InstanceLock, DifferentProgramNamesDoNotInterfere) {
    testsupport::TempDir dir;
    InstanceLock one(u"QuaverlyTestOne"_qs, testLockFolder(dir));
    InstanceLock two(u"QuaverlyTestTwo"_qs, testLockFolder(dir));
    EXPECT_EQ(one.acquire(), InstanceLock::Outcome::Acquired);
    EXPECT_EQ(two.acquire(), InstanceLock::Outcome::Acquired);
    EXPECT_NE(one.filePath(), two.filePath());
}

TEST(InstanceLock, UnusableFolderNeverStopsTheStart) {
    InstanceLock lock(u"QuaverlyTest"_qs, u"/nonexistent/folder"_qs);
    EXPECT_EQ(lock.acquire(), InstanceLock::Outcome::Acquired);
}

TEST(InstanceLock, NamedPerUserInTheRuntimeFolder) {
    InstanceLock lock(u"Quaverly"_qs);
    EXPECT_TRUE(lock.filePath().startsWith(InstanceLock::defaultFolder() + u'/'));
    EXPECT_TRUE(
        lock.filePath().endsWith(u"quaverly-"_qs + QString::number(getuid()) + u".lock"_qs));
}

TEST(InstanceLock, AFolderNamedInAnyBytesHoldsTheLock) {
    testsupport::TempDir dir;
    const std::string lockName = "/quaverlytest-" + std::to_string(getuid()) + ".lock";
    for (const char* name : testsupport::kNamesNotUtf8) {
        SCOPED_TRACE(QByteArray(name).toHex().constData());
        dir.write(std::string(name) + "/x", "");
        const QString runtime = decodeFileName(QByteArray::fromStdString(dir.file(name)));
        InstanceLock first(u"QuaverlyTest"_qs, runtime);
        InstanceLock second(u"QuaverlyTest"_qs, runtime);
        EXPECT_EQ(first.acquire(), InstanceLock::Outcome::Acquired);
        EXPECT_EQ(second.acquire(), InstanceLock::Outcome::HeldElsewhere);
        EXPECT_EQ(access((dir.file(name) + lockName).c_str(), F_OK), 0);
    }
}

namespace {

// A folder like /tmp: anyone may create files in it.
struct SharedFolder {
    testsupport::TempDir dir;
    SharedFolder() { EXPECT_EQ(chmod(dir.path().c_str(), 01777), 0); }
    QString path() const { return QString::fromStdString(dir.path()); }
};

} // namespace

TEST(InstanceLock, AnotherUsersLockFileInASharedFolderNeverHoldsTheStart) {
    if (!testsupport::AsNobody::possible())
        GTEST_SKIP() << "needs root to act as another user";
    for (const char* name : {".lock.guard", ".lock"}) {
        SCOPED_TRACE(name);
        SharedFolder shared;
        const std::string file = shared.dir.file("quaverlytest-" + std::to_string(getuid()) + name);
        // The other user makes the file open to all and keeps it locked.
        QProcess holder;
        holder.start(u"setpriv"_qs,
                     testsupport::AsNobody::asNobody(
                         {u"sh"_qs, u"-c"_qs,
                          u"umask 0; exec flock -x \"$0\" sh -c 'echo locked; exec cat'"_qs,
                          QString::fromStdString(file)}));
        ASSERT_TRUE(holder.waitForReadyRead(10000)) << holder.readAllStandardError().toStdString();
        ASSERT_EQ(holder.readAllStandardOutput(), "locked\n");

        auto outcome = std::async(std::launch::async, [&] {
            InstanceLock lock(u"QuaverlyTest"_qs, shared.path());
            return lock.acquire();
        });
        const bool answered =
            outcome.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
        holder.closeWriteChannel(); // lets a start that waits go on
        holder.waitForFinished(10000);
        EXPECT_TRUE(answered) << "the start waited for another user's lock";
        EXPECT_EQ(outcome.get(), InstanceLock::Outcome::Acquired);
    }
}

TEST(InstanceLock, WithoutARuntimeFolderTheLockLivesInAFolderOfTheUsersOwn) {
    SharedFolder shared;
    const QString folder = InstanceLock::privateFolderIn(shared.path());
    ASSERT_EQ(folder, shared.path() + u"/quaverly-"_qs + QString::number(geteuid()));
    struct stat status;
    ASSERT_EQ(lstat(folder.toLocal8Bit().constData(), &status), 0);
    EXPECT_TRUE(S_ISDIR(status.st_mode));
    EXPECT_EQ(status.st_mode & 07777, 0700u);
    EXPECT_EQ(status.st_uid, geteuid());
    EXPECT_EQ(InstanceLock::privateFolderIn(shared.path()), folder) << "found again";

    InstanceLock first(u"QuaverlyTest"_qs, folder);
    InstanceLock second(u"QuaverlyTest"_qs, folder);
    EXPECT_EQ(first.acquire(), InstanceLock::Outcome::Acquired);
    EXPECT_EQ(second.acquire(), InstanceLock::Outcome::HeldElsewhere);
}

TEST(InstanceLock, APrivateFolderNameTakenByOthersIsNotUsed) {
    const std::string name = "quaverly-" + std::to_string(geteuid());
    const struct {
        const char* what;
        std::function<void(const SharedFolder&)> prepare;
        bool needsRoot;
    } cases[] = {
        {"open to others",
         [&](const SharedFolder& s) {
             ASSERT_EQ(mkdir(s.dir.file(name).c_str(), 0777), 0);
             ASSERT_EQ(chmod(s.dir.file(name).c_str(), 0777), 0);
         },
         false},
        {"a link",
         [&](const SharedFolder& s) { std::filesystem::create_symlink("/", s.dir.file(name)); },
         false},
        {"another user's",
         [&](const SharedFolder& s) {
             ASSERT_EQ(mkdir(s.dir.file(name).c_str(), 0700), 0);
             testsupport::AsNobody::giveToNobody(s.dir.file(name));
         },
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needsRoot && !testsupport::AsNobody::possible())
            continue;
        SharedFolder shared;
        c.prepare(shared);
        EXPECT_EQ(InstanceLock::privateFolderIn(shared.path()), QString());
    }
}
