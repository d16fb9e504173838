// Connecting to a station runs in the background: the window takes every
// command meanwhile, Stop gives the connection up, another row replaces it,
// and a failed open tells the user once, for the row that failed.
#include "frame_fixture.h"

#include "audio/api/bass.h"
#include "res/resource_ids.h"
#include "res/string_table.h"
#include "support/fixtures.h"
#include "support/message_log.h"
#include "support/servers/test_http_server.h"
#include "tracklist/list_view.h"

#include <QTest>

using namespace res;
using testsupport::TestHttpServer;
using testsupport::TestResponse;

class StationConnectionTest : public FrameTest {
protected:
    app::CMainFrame& withRows(const QStringList& locations) {
        auto& f = create();
        for (const QString& location : locations)
            f.trackList()->AppendRow(location, "row");
        return f;
    }
    void play(int row) {
        frame->trackList()->SetCurrentRow(row);
        frame->OnCommand(ID_PLAY_PLAYPAUSE);
    }
    QString silentStation() {
        server.route("/silent", TestResponse::silent());
        return QString::fromStdString(server.url("/silent"));
    }
    static QString fixtureTrack() {
        return QString::fromStdString(testsupport::fixture("tone_1k_20s.mp3"));
    }
    bool serverAsked() const { return server.requestCount("/silent") > 0; }
    QStringList messages() const { return testsupport::loggedMessages(dir.file("messages.log")); }
    // Lets a given-up connection end and its late answer come back.
    static void drainBackgroundWork() {
        platform::finishBackgroundWork(60000);
        QCoreApplication::processEvents();
    }
    TestHttpServer server;
};

TEST_F(StationConnectionTest, StopOrPlayPauseGivesTheConnectionUpWithoutAMessage) {
    const int commands[] = {ID_PLAY_STOP, ID_PLAY_PLAYPAUSE};
    for (const int command : commands) {
        SCOPED_TRACE(command == ID_PLAY_STOP ? "Stop" : "Play/Pause");
        auto& f = withRows({silentStation()});
        play(0);
        EXPECT_TRUE(f.engine().IsConnecting());
        EXPECT_TRUE(f.engine().HasTrack());
        ASSERT_TRUE(QTest::qWaitFor([this] { return serverAsked(); }, 30000));
        f.OnCommand(command);
        EXPECT_FALSE(f.engine().IsConnecting());
        drainBackgroundWork();
        EXPECT_EQ(f.engine().stream(), 0u);
        EXPECT_FALSE(f.engine().IsConnecting());
        EXPECT_TRUE(messages().isEmpty());
        EXPECT_EQ(f.trackList()->GetMark(0), "");
    }
}

TEST_F(StationConnectionTest, AnotherRowChosenWhileConnectingPlaysAndTheConnectionIsDropped) {
    setenv("QUAVERLY_AUDIO", "null:manual", 1); // a clock nobody moves: the track still plays
    auto& f = withRows({silentStation(), fixtureTrack()});
    play(0);
    ASSERT_TRUE(QTest::qWaitFor([this] { return serverAsked(); }, 30000));
    play(1);
    EXPECT_FALSE(f.engine().IsConnecting());
    EXPECT_NE(f.engine().stream(), 0u);
    EXPECT_EQ(f.engine().trackRow(), 1);
    const HSTREAM playing = f.engine().stream();
    drainBackgroundWork();
    EXPECT_EQ(f.engine().stream(), playing);
    EXPECT_EQ(f.trackList()->GetMark(1), ">");
    EXPECT_EQ(f.trackList()->GetMark(0), "");
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(StationConnectionTest, AFailedOpenShowsItsMessageOnceForTheRowThatFailed) {
    // Nobody listens on port 9: the open fails at once.
    auto& f = withRows({"http://127.0.0.1:9/a", "http://127.0.0.1:9/b"});
    play(0);
    settleConnection();
    EXPECT_EQ(messages(), QStringList{loadString(IDS_STREAM_OPEN_FAILED)});
    EXPECT_EQ(f.engine().stream(), 0u);
    EXPECT_EQ(f.engine().trackRow(), 0) << "Next and Previous step from the row that failed";
    EXPECT_FALSE(f.engine().HasTrack());
    play(1);
    settleConnection();
    EXPECT_EQ(messages().size(), 2);
    EXPECT_EQ(f.engine().trackRow(), 1);
}

// The row a connection was for is gone once the track list is refilled: the
// stream is not played into a list that no longer holds it, and no message
// names a row the user no longer sees.
TEST_F(StationConnectionTest, ARefilledTrackListDropsTheConnectionWhateverItsAnswer) {
    const TestResponse answers[] = {
        TestResponse::ok(testsupport::readFile(testsupport::fixture("tone_1k_20s.mp3")),
                         "audio/mpeg"),
        TestResponse::notFound()};
    for (const TestResponse& answer : answers) {
        SCOPED_TRACE(answer.status);
        server.route("/station", answer);
        auto& f = withRows({QString::fromStdString(server.url("/station"))});
        play(0);
        // Refilled before the event loop could bring the answer back.
        f.trackList()->ClearRows();
        f.trackList()->AppendRow(fixtureTrack(), "file");
        ASSERT_TRUE(QTest::qWaitFor([&] { return !f.engine().IsConnecting(); }, 60000));
        drainBackgroundWork();
        EXPECT_EQ(f.engine().stream(), 0u);
        EXPECT_TRUE(messages().isEmpty());
        EXPECT_EQ(f.trackList()->GetMark(0), "");
        EXPECT_FALSE(f.playPauseShowsPause()) << "the window shows that nothing plays";
    }
}
