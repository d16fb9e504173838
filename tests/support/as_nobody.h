// Root reads and writes through permission bits, so a test of files that a
// user cannot read or write runs its checks as the user nobody: the test,
// run as root, prepares its folder, then starts this test program again as
// nobody (setpriv, which keeps the process id and the environment) with only
// itself selected; that copy finds the folder in its environment and runs
// the checks.
#pragma once

#include "support/process_runner.h"
#include "support/temp_dir.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <memory>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {

class AsNobody {
public:
    AsNobody() {
        const QByteArray shared = qgetenv(kFolderVariable);
        if (!shared.isEmpty()) {
            folder_ = shared.toStdString();
            return;
        }
        dir_ = std::make_unique<TempDir>();
        folder_ = dir_->path();
    }

    // True in the copy that runs as nobody.
    bool isCopy() const { return !dir_; }
    // False when the test does not run as root (it cannot change user then).
    static bool possible() { return geteuid() == 0 && getpwnam("nobody"); }

    std::string file(const std::string& name) const { return folder_ + "/" + name; }
    std::string write(const std::string& name, const std::string& bytes) const {
        return dir_->write(name, bytes);
    }
    // Gives a file of the folder to nobody (or leaves it to root) and sets its mode.
    void own(const std::string& name, bool byNobody, mode_t mode) const {
        if (byNobody)
            giveToNobody(file(name));
        EXPECT_EQ(chmod(file(name).c_str(), mode), 0);
    }
    static void giveToNobody(const std::string& path) {
        const passwd* nobody = getpwnam("nobody");
        EXPECT_EQ(chown(path.c_str(), nobody->pw_uid, nobody->pw_gid), 0) << path;
    }

    // Gives the folder to nobody, runs the current test as nobody and expects
    // it to pass.
    void runCopy() const {
        giveToNobody(folder_);
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        const QString filter =
            QStringLiteral("--gtest_filter=%1.%2")
                .arg(QString::fromUtf8(test->test_suite_name()), QString::fromUtf8(test->name()));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kFolderVariable), QString::fromStdString(folder_));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(folder_));
        const RunResult copy =
            runProgram(QStringLiteral("setpriv"),
                       asNobody({QCoreApplication::applicationFilePath(), filter}), 120000, env);
        EXPECT_TRUE(copy.finished && copy.exitCode == 0)
            << copy.out.toStdString() << copy.err.toStdString();
        EXPECT_TRUE(copy.out.contains(QStringLiteral("[  PASSED  ] 1 test")))
            << copy.out.toStdString();
    }

    // setpriv's arguments that run a command as nobody.
    static QStringList asNobody(const QStringList& command) {
        const passwd* nobody = getpwnam("nobody");
        return QStringList{QStringLiteral("--reuid=%1").arg(nobody->pw_uid),
                           QStringLiteral("--regid=%1").arg(nobody->pw_gid),
                           QStringLiteral("--clear-groups"), QStringLiteral("--")} +
               command;
    }

private:
    static constexpr const char* kFolderVariable = "QUAVERLY_TEST_NOBODY_FOLDER";

    std::unique_ptr<TempDir> dir_;
    std::string folder_;
};

} // namespace testsupport
