// The settings file and the two list files when the disk refuses writes (a
// tmpfs mounted read-only, a full tmpfs) and when the writing process is
// killed at random moments: the file is always the old or the new content,
// never cut short, never lost. Mounting needs root; elsewhere these skip.
#include "frame_fixture.h"

#include "browser/form_view.h"
#include "browser/list_file.h"
#include "settings/ini_file.h"
#include "support/fixtures.h"
#include "support/player_sandbox.h"
#include "support/small_tmpfs.h"
#include "tracklist/list_view.h"

#include <QListWidget>
#include <QRegularExpression>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>
#include <unistd.h>

using testsupport::readFile;
using testsupport::SmallTmpfs;
using testsupport::TempDir;

namespace {

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The two ways a disk refuses writes: mounted read-only, or full.
struct DiskFault {
    const char* name;
    const char* options;
    bool full;
    // A small tmpfs holding the files, then made read-only or filled up;
    // nullptr where it cannot be mounted (not root).
    std::unique_ptr<SmallTmpfs>
    prepare(std::initializer_list<std::pair<const char*, std::string>> files) const {
        auto tmpfs = std::make_unique<SmallTmpfs>(options);
        if (!tmpfs->mounted())
            return nullptr;
        for (const auto& [name, bytes] : files)
            std::ofstream(tmpfs->file(name), std::ios::binary) << bytes;
        if (full)
            tmpfs->fillUp();
        else if (!tmpfs->makeReadOnly())
            return nullptr;
        return tmpfs;
    }
};
const DiskFault kDiskFaults[] = {{"read-only", "size=1m", false}, {"full", "size=64k", true}};

const std::string kIni = "; kept by hand\r\n[Quaverly]\r\n_Volume=40\r\n_Order=2\r\n";
const std::string kStations = "Zeta,http://z/\r\nAlpha,http://a/\r\n"; // not yet sorted
const std::string kFeeds = "Show B,http://b/feed\r\nShow A,http://a/feed\r\n";

// --- The writer that is killed: this test program started again with
// QUAVERLY_TEST_REWRITE_FOLDER set rewrites the settings file and a list
// file in that folder in a loop instead of running the tests. It starts from
// a test environment, once main() runs and every static object exists.

constexpr int kFillerLength = 3000;
constexpr int kListLines = 60;

QString GenerationValue(qint64 generation) {
    return QStringLiteral("gen %1 ").arg(generation) + QString(kFillerLength, u'x');
}

QStringList GenerationLines(qint64 generation) {
    QStringList lines;
    for (int i = 0; i < kListLines; ++i)
        lines.append(
            QStringLiteral("Station %1 gen %2,http://127.0.0.1/%1").arg(i).arg(generation));
    return lines;
}

void RunRewriteLoopIfAsked() {
    const QString folder = qEnvironmentVariable("QUAVERLY_TEST_REWRITE_FOLDER");
    if (folder.isEmpty())
        return;
    const settings::IniFile ini(folder + "/quaverly.ini");
    const qint64 first = qEnvironmentVariable("QUAVERLY_TEST_REWRITE_FROM").toLongLong();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (qint64 generation = first; std::chrono::steady_clock::now() < deadline; ++generation) {
        ini.WriteString("_LastPlayed", GenerationValue(generation));
        browser::WriteListFile(folder + "/Netradio.txt", GenerationLines(generation));
        if (generation == first) {
            std::fputs("ready\n", stdout);
            std::fflush(stdout);
        }
    }
    _exit(0); // never reached when the test kills the writer, as it should
}

class RewriteLoopEnvironment : public ::testing::Environment {
public:
    void SetUp() override { RunRewriteLoopIfAsked(); }
};

[[maybe_unused]] ::testing::Environment* const kRewriteLoop =
    ::testing::AddGlobalTestEnvironment(new RewriteLoopEnvironment);

// The generation a whole settings file holds, or -1 when it is not whole.
qint64 IniGeneration(const std::string& bytes) {
    static const QRegularExpression whole(
        QStringLiteral("^\\[Quaverly\\]\\r\\n_Volume=40\\r\\n_LastPlayed=gen (\\d+) x{%1}\\r\\n$")
            .arg(kFillerLength));
    const auto match = whole.match(QString::fromStdString(bytes));
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

// The generation a whole list file holds, or -1 when it is not whole.
qint64 ListGeneration(const std::string& bytes) {
    const QString text = QString::fromStdString(bytes);
    // A list file the program made ends its lines in LF.
    if (!text.endsWith("\n"))
        return -1;
    const QStringList lines = text.chopped(1).split("\n");
    if (lines.size() != kListLines)
        return -1;
    const qint64 generation = lines[0].section(' ', 3, 3).section(',', 0, 0).toLongLong();
    // The file is sorted by code units, so compare as sets.
    QStringList expected = GenerationLines(generation);
    QStringList found = lines;
    expected.sort();
    found.sort();
    return found == expected ? generation : -1;
}

// Waits until the writer says its first round of writes is done.
bool WaitForReady(QProcess& writer) {
    QByteArray output;
    while (!output.contains("ready\n")) {
        if (!writer.waitForReadyRead(30000))
            return false;
        output += writer.readAllStandardOutput();
    }
    return true;
}

} // namespace

// --- The real player with its settings file on a disk that refuses writes.
// The settings file beside the executable is a symbolic link into the
// tmpfs; the player replaces the link's target, so its writes meet the
// tmpfs's refusal.

class PlayerSettingsFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        sandbox.environment().insert("QUAVERLY_AUDIO", "null:fast");
        sandbox.environment().insert("QUAVERLY_PLAY_LOG", sandbox.folder() + "/played.log");
    }
    void linkSettingsInto(const SmallTmpfs& tmpfs) {
        std::filesystem::create_symlink(tmpfs.file("quaverly.ini"),
                                        sandbox.iniPath().toStdString());
    }
    // Plays a file, then closes the player normally (it saves its settings).
    void playAndClose() {
        const QString track = QString::fromStdString(testsupport::fixture("tone_1k_3s.wav"));
        // The track plays once its folder is listed, after start-up: only a
        // line of this run tells that it played.
        std::filesystem::remove((sandbox.folder() + "/played.log").toStdString());
        auto player = sandbox.start({track});
        ASSERT_TRUE(testsupport::waitUntilReady(*player, 30000));
        EXPECT_TRUE(
            testsupport::waitForFileContaining(sandbox.folder() + "/played.log", track, 30000));
        const testsupport::RunResult result = testsupport::terminate(*player, 30000);
        ASSERT_TRUE(result.finished) << result.err.toStdString();
        EXPECT_EQ(result.exitCode, 1);
    }
    testsupport::PlayerSandbox sandbox;
};

TEST_F(PlayerSettingsFaultTest, OnAReadOnlyOrFullDiskThePlayerRunsAndTheSettingsStayAsTheyWere) {
    for (const DiskFault& fault : kDiskFaults) {
        SCOPED_TRACE(fault.name);
        const auto disk = fault.prepare({{"quaverly.ini", kIni}});
        if (!disk)
            GTEST_SKIP() << "mounting a tmpfs needs root";
        const SmallTmpfs& tmpfs = *disk;
        std::filesystem::remove(sandbox.iniPath().toStdString());
        linkSettingsInto(tmpfs);
        playAndClose();
        EXPECT_EQ(readFile(tmpfs.file("quaverly.ini")), kIni);
        if (!fault.full)
            continue;
        EXPECT_EQ(tmpfs.entries(), (QStringList{"filler", "quaverly.ini"}))
            << "no temporary file is left behind";
        // With room again, the next run saves its settings.
        ASSERT_EQ(unlink(tmpfs.file("filler").c_str()), 0);
        playAndClose();
        const std::string saved = readFile(tmpfs.file("quaverly.ini"));
        EXPECT_EQ(saved.rfind(kIni, 0), 0u) << "the old lines stay first";
        EXPECT_NE(saved.find("_LastPlayed="), std::string::npos) << saved;
        EXPECT_EQ(tmpfs.entries(), QStringList{"quaverly.ini"});
    }
}

// --- The list files, rewritten by the browser when their source is chosen.

class ListFileFaultTest : public FrameTest {
protected:
    browser::CFormView& browserOn(const SmallTmpfs& tmpfs) {
        auto& f = create();
        f.formView()->setListFolder(tmpfs.folder());
        return *f.formView();
    }
    QStringList rowNames() const {
        QStringList names;
        for (int row = 0; row < frame->trackList()->RowCount(); ++row)
            names.append(frame->trackList()->GetName(row));
        return names;
    }
};

TEST_F(ListFileFaultTest, OnAReadOnlyOrFullDiskTheListsAreShownAndTheFilesStayAsTheyWere) {
    for (const DiskFault& fault : kDiskFaults) {
        SCOPED_TRACE(fault.name);
        const auto disk = fault.prepare({{"Netradio.txt", kStations}, {"Podcast.txt", kFeeds}});
        if (!disk)
            GTEST_SKIP() << "mounting a tmpfs needs root";
        const SmallTmpfs& tmpfs = *disk;
        browser::CFormView& view = browserOn(tmpfs);
        view.LoadNetRadio();
        settle();
        EXPECT_EQ(rowNames(), (QStringList{"Alpha", "Zeta"}));
        view.LoadPodcastList();
        settle();
        EXPECT_EQ(view.entryList()->count(), 2);
        EXPECT_EQ(readFile(tmpfs.file("Netradio.txt")), kStations);
        EXPECT_EQ(readFile(tmpfs.file("Podcast.txt")), kFeeds);
        if (!fault.full)
            continue;
        EXPECT_EQ(tmpfs.entries(), (QStringList{"Netradio.txt", "Podcast.txt", "filler"}));
        ASSERT_EQ(unlink(tmpfs.file("filler").c_str()), 0);
        view.LoadNetRadio();
        settle();
        EXPECT_EQ(readFile(tmpfs.file("Netradio.txt")), "Alpha,http://a/\r\nZeta,http://z/\r\n");
    }
}

// --- Killed while writing.

TEST(KilledWriterTest, TheFilesAreAlwaysTheOldOrTheNewContent) {
    TempDir dir;
    const QString folder = QString::fromStdString(dir.path());
    WriteBytes(dir.file("quaverly.ini"), "[Quaverly]\r\n_Volume=40\r\n_LastPlayed=" +
                                             GenerationValue(0).toStdString() + "\r\n");
    ASSERT_TRUE(browser::WriteListFile(folder + "/Netradio.txt", GenerationLines(0)));

    std::random_device seed;
    const unsigned seedValue = seed();
    std::mt19937 random(seedValue);
    SCOPED_TRACE("random seed " + std::to_string(seedValue));
    qint64 lastIni = 0;
    qint64 lastList = 0;
    // Each kill lands at a random moment of a loop that has written many
    // whole generations by then, so each one samples a random phase of a
    // write (temporary file, sync, rename); twenty of them reach every
    // phase, and a new process per kill is what the test's time goes to.
    constexpr int kIterations = 20;
    for (int iteration = 1; iteration <= kIterations; ++iteration) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QUAVERLY_TEST_REWRITE_FOLDER", folder);
        env.insert("QUAVERLY_TEST_REWRITE_FROM", QString::number(iteration * 1000000LL));
        testsupport::BackgroundProcess writer(QCoreApplication::applicationFilePath(), {}, env);
        ASSERT_TRUE(writer.started());
        ASSERT_TRUE(WaitForReady(writer.process())) << "the writer did not start";
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<int>(0, 40000)(random)));
        ::kill(static_cast<pid_t>(writer.process().processId()), SIGKILL);
        ASSERT_TRUE(writer.process().waitForFinished(10000));
        EXPECT_EQ(writer.process().exitStatus(), QProcess::CrashExit);

        const qint64 ini = IniGeneration(readFile(dir.file("quaverly.ini")));
        const qint64 list = ListGeneration(readFile(dir.file("Netradio.txt")));
        ASSERT_GE(ini, iteration * 1000000LL) << "iteration " << iteration << ": settings file";
        ASSERT_GE(list, iteration * 1000000LL) << "iteration " << iteration << ": list file";
        EXPECT_GT(ini, lastIni);
        EXPECT_GT(list, lastList);
        lastIni = ini;
        lastList = list;
    }
}
