// The settings file is the user's: one that cannot be read is never
// replaced, one that may not be written stays as it is, and two processes
// writing it keep each other's keys.
#include "settings/ini_file.h"

#include "support/as_nobody.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"

#include <QDir>
#include <iostream>

using settings::IniFile;
using testsupport::AsNobody;
using testsupport::readFile;

namespace {

const std::string kIni = "; mine\r\n[Quaverly]\r\n_Volume=40\r\n_Order=2\r\n";

struct OwnedCase {
    const char* name;
    bool byNobody;
    mode_t mode;
    int volumeRead;
    QtMsgType said; // a warning, or the causes of the failed writes
};

// As root: writes the cases' files, runs the calling test's checks as nobody,
// then checks that every file stayed as it was and no other file appeared.
// True in the copy that runs as nobody: the caller's checks run there.
bool checksRunHere(const AsNobody& run, const std::vector<OwnedCase>& cases) {
    if (run.isCopy())
        return true;
    QStringList names;
    for (const OwnedCase& c : cases) {
        run.write(c.name, kIni);
        run.own(c.name, c.byNobody, c.mode);
        names.append(QString::fromUtf8(c.name));
    }
    run.runCopy();
    for (const OwnedCase& c : cases)
        EXPECT_EQ(readFile(run.file(c.name)), kIni) << c.name;
    names.sort();
    EXPECT_EQ(QDir(QString::fromStdString(run.file(""))).entryList(QDir::Files | QDir::Hidden),
              names)
        << "no other file is left in the folder";
    return false;
}

// The writer: this test program started again with QUAVERLY_TEST_INI_WRITER
// set writes kWrites keys of its own, starting when a line arrives on stdin.
constexpr int kWrites = 60;

void RunIniWriterIfAsked() {
    const QString path = qEnvironmentVariable("QUAVERLY_TEST_INI_WRITER");
    if (path.isEmpty())
        return;
    const QString prefix = qEnvironmentVariable("QUAVERLY_TEST_INI_PREFIX");
    std::string go;
    std::getline(std::cin, go);
    const IniFile ini(path);
    int failures = 0;
    for (int i = 0; i < kWrites; ++i)
        failures += ini.WriteInt(prefix + QString::number(i), i) ? 0 : 1;
    std::_Exit(failures == 0 ? 0 : 1);
}

class IniWriterEnvironment : public ::testing::Environment {
public:
    void SetUp() override { RunIniWriterIfAsked(); }
};

[[maybe_unused]] ::testing::Environment* const kIniWriter =
    ::testing::AddGlobalTestEnvironment(new IniWriterEnvironment);

} // namespace

// Unreadable files read as missing, so the player runs on defaults, and one
// warning names them; a readable file that may not be written is read, and
// the failed write's cause is logged. Neither is ever replaced.
TEST(IniOwnershipTest, AFileThatCannotBeReadOrWrittenIsNeverReplaced) {
    const std::vector<OwnedCase> cases = {
        {"write-only.ini", true, 0200, 100, QtWarningMsg},
        {"another-users-private.ini", false, 0600, 100, QtWarningMsg},
        {"made-read-only.ini", true, 0444, 40, QtInfoMsg},
        {"another-users.ini", false, 0644, 40, QtInfoMsg},
    };
    const AsNobody run;
    if (!run.isCopy() && !AsNobody::possible())
        GTEST_SKIP() << "needs root to run as nobody";
    if (!checksRunHere(run, cases))
        return;
    for (const OwnedCase& c : cases) {
        SCOPED_TRACE(c.name);
        const testsupport::LogCapture log(QStringLiteral("quaverly."));
        const IniFile ini(QString::fromStdString(run.file(c.name)));
        EXPECT_EQ(ini.ReadInt("_Volume", 100), c.volumeRead);
        EXPECT_FALSE(ini.WriteInt("_Volume", 55));
        EXPECT_FALSE(ini.WriteInts({{"_WndX", 1}, {"_WndY", 2}}));
        EXPECT_EQ(ini.ReadInt("_Volume", 100), 55) << "what was set applies for the run";
        const QStringList said = log.messages(c.said);
        ASSERT_EQ(said.size(), c.said == QtWarningMsg ? 1 : 2) << "a warning is said once";
        EXPECT_TRUE(said[0].contains(ini.path()));
        EXPECT_TRUE(said[0].contains("Permission denied"));
    }
}

TEST(IniOwnershipTest, TwoProcessesWritingTheFileKeepEachOthersKeys) {
    testsupport::TempDir dir;
    const QString path = QString::fromStdString(dir.write("quaverly.ini", kIni));
    std::vector<std::unique_ptr<testsupport::BackgroundProcess>> writers;
    for (const char* prefix : {"A_", "B_"}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QUAVERLY_TEST_INI_WRITER", path);
        env.insert("QUAVERLY_TEST_INI_PREFIX", prefix);
        writers.push_back(std::make_unique<testsupport::BackgroundProcess>(
            QCoreApplication::applicationFilePath(), QStringList{}, env));
        ASSERT_TRUE(writers.back()->started());
    }
    for (auto& writer : writers) {
        writer->process().write("go\n");
        ASSERT_TRUE(writer->process().waitForBytesWritten(10000));
    }
    for (auto& writer : writers) {
        const testsupport::RunResult result = writer->wait(120000);
        ASSERT_TRUE(result.finished);
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    }
    const IniFile ini(path);
    int lost = 0;
    for (int i = 0; i < kWrites; ++i) {
        lost += ini.ReadInt("A_" + QString::number(i), -1) == i ? 0 : 1;
        lost += ini.ReadInt("B_" + QString::number(i), -1) == i ? 0 : 1;
    }
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(readFile(dir.file("quaverly.ini")).rfind(kIni, 0), 0u) << "the old lines stay first";
}
