// Opening what the command line names, and resuming the last session, with
// the real program: what played is read back from _LastPlayed and from the
// WAV file the sound went to.
#include "settings/ini_file.h"
#include "support/fixtures.h"
#include "support/player_sandbox.h"
#include "support/servers/loopback.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QThread>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>

using namespace testsupport;

namespace {

constexpr int kTimeoutMs = 20000;
constexpr int kNothingHappensMs = 1500;

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        music = sandbox.folder() + "/My Music/";
        QDir().mkpath(music);
        for (const char* name : {"a.wav", "b.wav", "c.wav"})
            QFile::copy(QString::fromStdString(fixture("tone_1k_3s.wav")), music + name);
        sandbox.environment().insert("QUAVERLY_AUDIO", "wav:" + wavPath());
        // One track, then stop: what plays is then exactly the opened row.
        sandbox.writeIni("[Quaverly]\n_Order=2\n");
    }

    QString wavPath() const { return sandbox.folder() + "/out.wav"; }
    qint64 soundBytes() const { return QFileInfo(wavPath()).size() - 44; }

    // What the start is to lead to, waited for before the player is closed.
    using Outcome = std::function<bool()>;
    // The whole tone went to the sound file (all but what the file's buffer
    // holds until the device closes).
    Outcome played() const {
        return [this] { return soundBytes() > 3 * 44100 * 4 - 64 * 1024; };
    }
    // A message box was shown.
    Outcome toldTheUser() const {
        return [this] { return !sandbox.messages().isEmpty(); };
    }
    // At least `bytes` of sound went to the file, and then the player had
    // the time of nothing() to play on wrongly.
    Outcome playedThenNothingMore(qint64 bytes) const {
        auto reached = std::make_shared<QElapsedTimer>();
        return [this, bytes, reached] {
            if (!reached->isValid() && soundBytes() > bytes - 64 * 1024)
                reached->start();
            return reached->isValid() && reached->hasExpired(kNothingHappensMs);
        };
    }
    // Nothing is to happen: the player gets the time in which anything it
    // would wrongly do shows on an idle machine (a busy one can only miss
    // such a fault, never fail a good player).
    static Outcome nothing() { return {}; }

    // Starts the player with the arguments, waits for the outcome, closes it.
    void runWith(const QStringList& args, const Outcome& outcome) {
        QFile::remove(wavPath()); // the last run's sound is no outcome of this one
        runPlayer(*sandbox.start(args), outcome);
    }
    // The same with one argument of any bytes, which a QStringList cannot
    // carry: a shell reads it from a file and starts the player with it.
    void runWithBytes(const std::string& argument, const Outcome& outcome) {
        QFile::remove(wavPath());
        const std::string file = sandbox.folder().toStdString() + "/argument";
        std::ofstream(file, std::ios::binary) << argument;
        BackgroundProcess player("/bin/sh",
                                 {"-c", "exec \"$0\" \"$(cat \"$1\")\"", sandbox.executable(),
                                  QString::fromStdString(file)},
                                 sandbox.environment());
        runPlayer(player, outcome);
    }
    void runPlayer(BackgroundProcess& player, const Outcome& outcome) {
        ASSERT_TRUE(waitUntilReady(player, kTimeoutMs));
        waitForOutcome(outcome);
        const RunResult result = terminate(player, kTimeoutMs);
        ASSERT_TRUE(result.finished) << result.err.toStdString();
        EXPECT_EQ(result.exitCode, 1);
    }
    static void waitForOutcome(const Outcome& outcome) {
        if (!outcome) {
            // Nothing is to happen: there is no event to wait for, only time.
            QThread::msleep(kNothingHappensMs);
            return;
        }
        (void)QTest::qWaitFor(outcome, kTimeoutMs);
    }
    // The value of _LastPlayed as the settings file holds it.
    std::string lastPlayedBytes() const {
        std::istringstream ini(readFile(sandbox.iniPath().toStdString()));
        for (std::string line; std::getline(ini, line);) {
            if (line.starts_with("_LastPlayed="))
                return line.substr(12);
        }
        return {};
    }
    QString lastPlayed() const {
        return settings::IniFile(sandbox.iniPath()).ReadString("_LastPlayed", "");
    }

    PlayerSandbox sandbox;
    QString music;
};

} // namespace

TEST_F(StartupTest, AQuotedPathWithBlanksPlaysThatFile) {
    runWith({"\"" + music + "b.wav\""}, played());
    EXPECT_EQ(lastPlayed(), music + "b.wav");
    EXPECT_GT(soundBytes(), 3 * 44100 * 4 / 2);
}

TEST_F(StartupTest, TheSamePathWithoutQuotesIsOnePathToo) {
    runWith(QStringList{music + "c.wav"}.join(' ').split(' '), played());
    EXPECT_EQ(lastPlayed(), music + "c.wav");
}

TEST_F(StartupTest, TwoNamesThatFormNoPathDoNothing) {
    runWith({music + "a.wav", music + "b.wav"}, nothing());
    EXPECT_EQ(lastPlayed(), "");
    EXPECT_LE(soundBytes(), 4410 * 4) << "nothing but silence";
}

TEST_F(StartupTest, APlaylistPlaysItsFirstRow) {
    QFile list(music + "list.m3u8");
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("\xEF\xBB\xBF"
               "c.wav\na.wav\n");
    list.close();
    runWith({music + "list.m3u8"}, played());
    EXPECT_EQ(lastPlayed(), music + "c.wav");
}

TEST_F(StartupTest, AFolderPlaysNothingWithOrWithoutItsSlash) {
    runWith({sandbox.folder() + "/My Music"}, nothing());
    EXPECT_EQ(lastPlayed(), "");
    runWith({music}, nothing());
    EXPECT_EQ(lastPlayed(), "");
}

TEST_F(StartupTest, AStationNobodyAnswersShowsTheOpenFailure) {
    const QString url =
        QStringLiteral("http://127.0.0.1:%1/live").arg(testsupport::freeLoopbackPort());
    runWith({url}, toldTheUser());
    EXPECT_EQ(sandbox.messages(), QStringList{"ストリームをオープンできません"});
}

TEST_F(StartupTest, LaunchAndPlayResumesTheLastPlaylistEntry) {
    QFile list(music + "list.m3u");
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("a.wav\r\nb.wav\r\nc.wav\r\n");
    list.close();
    sandbox.writeIni("[Quaverly]\n_Order=2\nGeneral_LaunchAndPlay=1\n_LastPath=" + music +
                     "list.m3u\n_LastPlayed=" + music + "b.wav\n");
    runWith({}, played());
    EXPECT_EQ(lastPlayed(), music + "b.wav");
    EXPECT_GT(soundBytes(), 3 * 44100 * 4 / 2);
}

TEST_F(StartupTest, LaunchAndPlayWithAFolderPlaysTheLastTrackOfItsOwnFolder) {
    sandbox.writeIni("[Quaverly]\n_Order=2\nGeneral_LaunchAndPlay=1\n_LastPath=/tmp/\n"
                     "_LastPlayed=" +
                     music + "c.wav\n");
    runWith({}, played());
    EXPECT_EQ(lastPlayed(), music + "c.wav");
    EXPECT_GT(soundBytes(), 3 * 44100 * 4 / 2);
}

TEST_F(StartupTest, LaunchAndPlayWithNothingOrAStationPlaysNothing) {
    for (const char* last : {"", "http://127.0.0.1:9/live"}) {
        sandbox.writeIni(
            QStringLiteral("[Quaverly]\nGeneral_LaunchAndPlay=1\n_LastPlayed=%1\n").arg(last));
        runWith({}, nothing());
        EXPECT_EQ(lastPlayed(), last);
        EXPECT_TRUE(sandbox.messages().isEmpty());
    }
}

TEST_F(StartupTest, AnArgumentWinsOverLaunchAndPlay) {
    sandbox.writeIni("[Quaverly]\n_Order=2\nGeneral_LaunchAndPlay=1\n_LastPlayed=" + music +
                     "a.wav\n");
    runWith({music + "c.wav"}, played());
    EXPECT_EQ(lastPlayed(), music + "c.wav");
}

// Names that are not UTF-8 (Latin-1, CP932 from a Windows archive, bytes
// of no code page) open from the command line, go into _LastPlayed with
// their bytes and play again at the next start.
TEST_F(StartupTest, NamesThatAreNotUtf8PlayFromTheCommandLineAndAtTheNextStart) {
    const std::string folder = music.toStdString();
    for (const std::string name :
         {"caf\xE9.wav", "\x83\x65\x83\x58\x83\x67.wav", "b\xFF\xFE.wav"}) {
        std::filesystem::copy_file(fixture("tone_1k_3s.wav"), folder + name);
        runWithBytes(folder + name, played());
        EXPECT_EQ(lastPlayedBytes(), folder + name);
        EXPECT_GT(soundBytes(), 3 * 44100 * 4 / 2);
    }
    sandbox.writeIni("[Quaverly]\n_Order=2\nGeneral_LaunchAndPlay=1\n_LastPath=" + music + "\n");
    std::ofstream(sandbox.iniPath().toStdString(), std::ios::app)
        << "_LastPlayed=" << folder << "caf\xE9.wav\n";
    runWith({}, played());
    EXPECT_EQ(lastPlayedBytes(), folder + "caf\xE9.wav");
    EXPECT_GT(soundBytes(), 3 * 44100 * 4 / 2);
}

TEST_F(StartupTest, ANameIsFoundWithItsOwnLetterCase) {
    for (const char* name : {"Song.wav", "song.wav"})
        QFile::copy(QString::fromStdString(fixture("tone_1k_3s.wav")), music + name);
    for (const char* name : {"Song.wav", "song.wav"}) {
        runWith({music + name}, played());
        EXPECT_EQ(lastPlayed(), music + name);
    }
}

// The codecs are a module the program loads beside itself or from the
// install layout's library folder; a copy without it still runs.
TEST_F(StartupTest, ACopyWithoutItsCodecModuleRunsAndReportsTheOpenFailure) {
    ASSERT_TRUE(QFile::remove(sandbox.folder() + "/libquaverly-codecs.so"));
    runWith({music + "b.wav"}, toldTheUser());
    EXPECT_EQ(sandbox.messages(), QStringList{"ストリームをオープンできません"});
    EXPECT_EQ(lastPlayed(), "");
}

TEST_F(StartupTest, TheCodecModuleIsFoundInTheInstallLayout) {
    // usr/bin/quaverly and usr/lib/quaverly/libquaverly-codecs.so, as installed.
    const QString root = sandbox.folder() + "/usr";
    ASSERT_TRUE(QDir().mkpath(root + "/bin") && QDir().mkpath(root + "/lib/quaverly"));
    ASSERT_TRUE(QFile::rename(sandbox.executable(), root + "/bin/quaverly"));
    ASSERT_TRUE(QFile::rename(sandbox.iniPath(), root + "/bin/quaverly.ini"));
    ASSERT_TRUE(QFile::rename(sandbox.folder() + "/libquaverly-codecs.so",
                              root + "/lib/quaverly/libquaverly-codecs.so"));
    BackgroundProcess player(root + "/bin/quaverly", {music + "b.wav"}, sandbox.environment());
    ASSERT_TRUE(waitUntilReady(player, kTimeoutMs));
    waitForOutcome(played());
    ASSERT_TRUE(terminate(player, kTimeoutMs).finished);
    EXPECT_EQ(
        settings::IniFile(root + "/bin/quaverly.ini").ReadString("_LastPlayed", "").toStdString(),
        (music + "b.wav").toStdString());
    EXPECT_GT(soundBytes(), 3 * 44100 * 4 / 2);
}

// An album kept as one image with a cue sheet: its tracks are rows of their
// own, opened from the command line and resumed at the next start, each
// playing its own second of the image.
TEST_F(StartupTest, ATrackOfACueSheetPlaysAloneAndResumesAtTheNextStart) {
    QFile::copy(QString::fromStdString(fixture("tone_1k_3s.wav")), music + "CDImage.wav");
    QFile sheet(music + "CDImage.cue");
    ASSERT_TRUE(sheet.open(QIODevice::WriteOnly));
    sheet.write("TITLE \"Album\"\r\nFILE \"CDImage.wav\" WAVE\r\n"
                "  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
                "  TRACK 02 AUDIO\r\n    INDEX 00 00:00:70\r\n    INDEX 01 00:01:00\r\n"
                "  TRACK 03 AUDIO\r\n    INDEX 01 00:02:00\r\n");
    sheet.close();
    const qint64 second = 44100 * 4;
    runWith({music + "CDImage.cue"}, playedThenNothingMore(second));
    EXPECT_EQ(lastPlayed(), music + "CDImage.wav#track=1");
    EXPECT_LT(soundBytes(), 2 * second) << "one track, not the whole image";

    sandbox.writeIni("[Quaverly]\n_Order=2\nGeneral_LaunchAndPlay=1\n_LastPath=" + music +
                     "CDImage.cue\n_LastPlayed=" + music + "CDImage.wav#track=2\n");
    runWith({}, playedThenNothingMore(second));
    EXPECT_EQ(lastPlayed(), music + "CDImage.wav#track=2");
    EXPECT_LT(soundBytes(), 2 * second);
}

// An image that carries its sheet plays as its tracks from the command line;
// one without a sheet plays whole, in its folder, as ever.
TEST_F(StartupTest, AnImageWithAnEmbeddedSheetPlaysItsFirstTrack) {
    ASSERT_EQ(makeToneWithCueSheet((music + "Album.flac").toStdString(),
                                   "FILE \"Album.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 "
                                   "00:00:00\nTRACK 02 AUDIO\nINDEX 01 00:01:00\n"),
              "");
    ASSERT_EQ(makeToneWithCueSheet((music + "Single.flac").toStdString(), ""), "");
    const qint64 second = 44100 * 4;
    runWith({music + "Album.flac"}, playedThenNothingMore(second));
    EXPECT_EQ(lastPlayed(), music + "Album.flac#track=1");
    EXPECT_LT(soundBytes(), 2 * second) << "one track, not the whole image";
    runWith({music + "Single.flac"}, played());
    EXPECT_EQ(lastPlayed(), music + "Single.flac");
}
