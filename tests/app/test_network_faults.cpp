// Station servers that misbehave, as the player meets them: a real frame
// plays a URL row served by a test server on 127.0.0.1. Each fault either
// fails the open (the open-failed message) or ends the stream so that the
// next row plays, within the connect, stall and open limits (short ones
// here, set through the library's configuration), while the window handles
// its events all along.
#include "frame_fixture.h"

#include "platform/instance_channel.h"

#include "audio/api/bass.h"
#include "res/resource_ids.h"
#include "res/string_table.h"
#include "stream_fixture.h"
#include "support/fixtures.h"
#include "support/player_sandbox.h"
#include "support/servers/endless_sender.h"
#include "support/servers/test_http_server.h"
#include "tracklist/list_view.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <csignal>

using namespace res;
using testsupport::TestHttpServer;
using testsupport::TestResponse;

namespace {

constexpr DWORD kStallMs = 500;
constexpr DWORD kOpenLimitMs = 1000; // twice the stall limit: a trickle keeps the stall away
// The limits of a network stream plus a generous margin for a loaded
// machine; anything slower is a hang.
constexpr int kBeyondStallMs = 8000;

} // namespace

class NetworkFaultTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, kStallMs);
        BASS_SetConfig(BASS_CONFIG_NET_OPENLIMIT, kOpenLimitMs);
    }
    void TearDown() override {
        FrameTest::TearDown();
        BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, 15000);
        BASS_SetConfig(BASS_CONFIG_NET_OPENLIMIT, 10000);
    }
    // Fills the track list, selects the first row and presses Play; returns
    // how long the open took to play or fail.
    qint64 playFirstOf(const QStringList& locations, const char* audio = "null") {
        setenv("QUAVERLY_AUDIO", audio, 1);
        auto& f = create();
        for (const QString& location : locations)
            f.trackList()->AppendRow(location, "row");
        f.trackList()->SetCurrentRow(0);
        queuedEventRan = false;
        QTimer::singleShot(0, &f, [this] { queuedEventRan = true; });
        QElapsedTimer clock;
        clock.start();
        f.OnCommand(ID_PLAY_PLAYPAUSE);
        // The press returns at once; the open goes on in the background.
        settleConnection();
        return clock.elapsed();
    }
    bool windowAnswers() {
        return QTest::qWaitFor([this] { return queuedEventRan; }, 5000);
    }
    QStringList messages() const {
        return QString::fromStdString(testsupport::readFile(dir.file("messages.log")))
            .split('\n', Qt::SkipEmptyParts);
    }
    void expectOpenFailed(qint64 blockedMs) {
        EXPECT_EQ(messages(), QStringList{loadString(IDS_STREAM_OPEN_FAILED)});
        EXPECT_EQ(frame->engine().stream(), 0u);
        EXPECT_LT(blockedMs, kBeyondStallMs);
        EXPECT_TRUE(windowAnswers());
    }
    // The faulty stream played and ended; the file after it plays now.
    void expectAdvancedToTheFile() {
        EXPECT_TRUE(
            QTest::qWaitFor([this] { return frame->engine().trackRow() == 1; }, kBeyondStallMs));
        EXPECT_EQ(frame->engine().trackLocation(), QString::fromStdString(file));
        EXPECT_TRUE(messages().isEmpty()) << messages().join('|').toStdString();
        EXPECT_TRUE(windowAnswers());
    }
    QString url(const std::string& path) const { return QString::fromStdString(server.url(path)); }

    TestHttpServer server;
    const std::string file = testsupport::fixture("tone_1k_3s.wav");
    // Made once for the suite: each run of the ffmpeg tool takes a while.
    static const std::string& bareMp3() {
        static const std::string bytes = BareMp3(2);
        return bytes;
    }
    const std::string& audio = bareMp3();
    bool queuedEventRan = false;
};

TEST_F(NetworkFaultTest, AServerThatAcceptsAndNeverAnswersFailsTheOpenAtTheStallLimit) {
    server.route("/silent", TestResponse::silent());
    expectOpenFailed(playFirstOf({url("/silent")}));
}

TEST_F(NetworkFaultTest, HeadersFollowedByNothingFailTheOpenAtTheStallLimit) {
    TestResponse live = TestResponse::stalled({}, "audio/mpeg");
    server.route("/headers-only", live);
    expectOpenFailed(playFirstOf({url("/headers-only")}));
}

TEST_F(NetworkFaultTest, AStationThatKeepsTheOpenWaitingFailsAtTheOpenLimit) {
    server.route("/trickle", TestResponse::trickle("audio/mpeg", 100));
    server.route("/head", TestResponse::trickledHeaders(100));
    for (const char* path : {"/trickle", "/head"}) {
        frame.reset();
        std::remove(dir.file("messages.log").c_str());
        const qint64 blocked = playFirstOf({url(path)});
        EXPECT_GE(blocked, kOpenLimitMs - 50) << path;
        expectOpenFailed(blocked);
    }
}

TEST_F(NetworkFaultTest, AStreamThatStallsWhilePlayingEndsAndTheNextRowPlays) {
    server.route("/stalls", TestResponse::stalled(audio.substr(0, 48 * 1024)));
    // Played as fast as it comes: what follows waits on the stall limit only.
    const qint64 blocked = playFirstOf({url("/stalls"), QString::fromStdString(file)}, "null:fast");
    EXPECT_LT(blocked, kBeyondStallMs);
    EXPECT_EQ(frame->engine().trackRow(), 0) << "the first part plays";
    expectAdvancedToTheFile();
}

TEST_F(NetworkFaultTest, AResetConnectionEndsTheStreamOrFailsAnOpenWithNothingYet) {
    server.route("/reset-late", TestResponse::resetAfter(audio.substr(0, 48 * 1024)));
    playFirstOf({url("/reset-late"), QString::fromStdString(file)}, "null:fast");
    expectAdvancedToTheFile();

    frame.reset();
    server.route("/reset-early", TestResponse::resetAfter({}));
    expectOpenFailed(playFirstOf({url("/reset-early")}));
}

TEST_F(NetworkFaultTest, GarbageInsteadOfAnAnswerFailsTheOpen) {
    server.route("/garbage", TestResponse::garbage());
    expectOpenFailed(playFirstOf({url("/garbage")}));
}

TEST_F(NetworkFaultTest, AnHtmlPageInsteadOfAudioFailsTheOpen) {
    std::string page = "<!DOCTYPE html><html><head><title>Station</title></head><body>";
    for (int i = 0; i < 400; ++i)
        page += "<p>Listen to our station in your browser.</p>\n";
    page += "</body></html>\n";
    server.route("/html", TestResponse::ok(page, "text/html; charset=utf-8"));
    server.route("/html-as-audio", TestResponse::ok(page, "audio/mpeg"));
    expectOpenFailed(playFirstOf({url("/html")}));

    frame.reset();
    std::remove(dir.file("messages.log").c_str());
    expectOpenFailed(playFirstOf({url("/html-as-audio")}));
}

TEST_F(NetworkFaultTest, HeadersWithoutEndAreCutOffAndFailTheOpen) {
    std::string filler;
    for (int i = 0; i < 100; ++i)
        filler += "X-Filler: " + std::string(100, 'a') + "\r\n";
    constexpr int64_t kLimit = int64_t(256) << 20;
    EndlessSender sender("HTTP/1.1 200 OK\r\nContent-Type: audio/mpeg\r\n", filler, kLimit);
    expectOpenFailed(playFirstOf({QString::fromStdString(sender.url("/endless-headers"))}));
    // The client gave up after its cap; without one it would have read on
    // until the sender's limit.
    EXPECT_TRUE(QTest::qWaitFor([&] { return sender.clientGone(); }, 10000));
    EXPECT_FALSE(sender.reachedLimit());
    EXPECT_LT(sender.sent(), 16 << 20);
}

TEST_F(NetworkFaultTest, AnEndlessStationIsHeldToItsBufferWhilePlayingInRealTime) {
    constexpr int64_t kLimit = int64_t(512) << 20;
    EndlessSender sender("HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nicy-name: Endless\r\n\r\n",
                         audio, kLimit);
    playFirstOf({QString::fromStdString(sender.url("/endless"))});
    ASSERT_NE(frame->engine().stream(), 0u);
    EXPECT_TRUE(windowAnswers());
    // Playing in real time takes 16 KB a second; once the buffer is full the
    // player stops reading and the sender has to wait.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return sender.blockedMs() >= 3000 || sender.reachedLimit() || sender.clientGone(); },
        60000));
    EXPECT_GE(sender.blockedMs(), 3000);
    EXPECT_FALSE(sender.reachedLimit());
    EXPECT_LT(sender.sent(), 32 << 20);
    EXPECT_EQ(BASS_ChannelIsActive(frame->engine().stream()), BASS_ACTIVE_PLAYING);
    frame->OnCommand(ID_PLAY_STOP);
    EXPECT_EQ(frame->engine().stream(), 0u);
}

TEST_F(NetworkFaultTest, AnIcyLengthBytePastTheEndOfTheDataEndsTheStreamCleanly) {
    // Metadata every 16000 bytes: one good title, then a length byte that
    // announces 4080 bytes of text where only 20 follow before the end.
    const std::string part = audio.substr(0, 64000);
    std::string body;
    body += part.substr(0, 16000);
    const std::string title = "StreamTitle='Good Title';";
    const size_t units = (title.size() + 15) / 16;
    body += static_cast<char>(units);
    body += title + std::string(units * 16 - title.size(), '\0');
    body += part.substr(16000, 16000);
    body += '\xff';
    body += "StreamTitle='Cut";
    TestResponse response = TestResponse::ok(body, "audio/mpeg");
    response.announcedLength = -1;
    response.headers = {"icy-metaint: 16000", "icy-name: Broken Meta"};
    server.route("/icy", response);
    playFirstOf({url("/icy"), QString::fromStdString(file)}, "null:fast");
    expectAdvancedToTheFile();
    EXPECT_FALSE(frame->titleLabel()->text().contains("Cut"));
}

TEST_F(NetworkFaultTest, APlaylistThatLinksToItselfOrToItsPartnerFailsTheOpen) {
    server.route("/self.pls", TestResponse::ok("[playlist]\nNumberOfEntries=1\nFile1=" +
                                                   server.url("/self.pls") + "\n",
                                               "audio/x-scpls"));
    server.route("/a.m3u", TestResponse::ok(server.url("/b.m3u") + "\n", "audio/x-mpegurl"));
    server.route("/b.m3u",
                 TestResponse::ok("#EXTM3U\n" + server.url("/a.m3u") + "\n", "audio/x-mpegurl"));
    expectOpenFailed(playFirstOf({url("/self.pls")}));
    EXPECT_EQ(server.requestCount("/self.pls"), 1u);

    frame.reset();
    std::remove(dir.file("messages.log").c_str());
    expectOpenFailed(playFirstOf({url("/a.m3u")}));
    EXPECT_EQ(server.requestCount("/a.m3u"), 1u);
    EXPECT_EQ(server.requestCount("/b.m3u"), 1u);
}

namespace {

// Sends the hand-over's "close" to the player of a sandbox, as a second
// start does.
bool SendHandOverClose(const testsupport::PlayerSandbox& sandbox) {
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", sandbox.folder().toUtf8());
    const bool sent = platform::sendCloseToRunningInstance(QStringLiteral("Quaverly"));
    qputenv("XDG_RUNTIME_DIR", saved);
    return sent;
}

} // namespace

// A real player started on a station URL, blocked in the station-name probe
// (the headers trickle) or in the stream's open (the audio trickles), ends
// within a second of a termination signal or of another instance's close,
// its settings saved.
TEST(NetworkCloseRequest, ASignalOrAHandOverEndsThePlayerWithinASecondWhileTheNetworkBlocks) {
    TestHttpServer server;
    server.route("/head", TestResponse::trickledHeaders(200));
    TestResponse audio = TestResponse::trickle("audio/mpeg", 200);
    audio.headers = {"icy-name: Slow Station"};
    server.route("/audio", audio);
    const struct {
        const char* what;
        const char* path;
        size_t requests; // the one the player is blocked in
        int signal;      // 0: another instance's close
    } cases[] = {
        {"probe, SIGTERM", "/head", 1, SIGTERM},
        {"probe, SIGINT", "/head", 1, SIGINT},
        {"open, SIGTERM", "/audio", 2, SIGTERM},
        {"probe, hand-over", "/head", 1, 0},
    };
    for (const auto& c : cases) {
        testsupport::PlayerSandbox sandbox;
        auto player = sandbox.start({QString::fromStdString(server.url(c.path))});
        const size_t before = server.requestCount(c.path);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return server.requestCount(c.path) >= before + c.requests; }, 20000))
            << c.what;
        QTest::qWait(300); // well inside the blocking call
        QElapsedTimer clock;
        clock.start();
        if (c.signal != 0)
            ::kill(static_cast<pid_t>(player->process().processId()), c.signal);
        else
            EXPECT_TRUE(SendHandOverClose(sandbox)) << c.what;
        const testsupport::RunResult result = player->wait(10000);
        const qint64 closedMs = clock.elapsed();
        ASSERT_TRUE(result.finished) << c.what;
        EXPECT_EQ(result.exitCode, 1) << c.what << result.err.toStdString();
        EXPECT_LT(closedMs, 1000) << c.what;
        EXPECT_TRUE(sandbox.readIni().contains("_Volume=")) << c.what << ": settings saved";
        EXPECT_TRUE(sandbox.messages().isEmpty())
            << c.what << sandbox.messages().join('|').toStdString();
    }
}
