// A network row opens in the background: the engine is connecting until the
// answer comes back to the UI thread, where it plays or tells of the failure
// once; Stop gives the connection up and a refilled list drops its answer.
#include "engine_fixture.h"

#include "platform/background_work.h"
#include "res/resource_ids.h"
#include "support/message_log.h"
#include "support/servers/loopback.h"
#include "support/servers/test_http_server.h"

#include <QSignalSpy>

using namespace res;
using testsupport::TestHttpServer;
using testsupport::TestResponse;

class ConnectionTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        const std::string mp3 = testsupport::readFile(testsupport::fixture("tone_1k_20s.mp3"));
        server.route("/live", TestResponse::dripped(mp3, 4096, 100, "audio/mpeg"));
        server.route("/silent", TestResponse::silent());
        start("null");
    }
    void addStation(const QString& url) { list.AppendRow(url, "station"); }
    QString url(const char* path) const { return QString::fromStdString(server.url(path)); }
    QStringList messages() const { return testsupport::loggedMessages(dir.file("messages.log")); }
    // Plays the station row; the engine is connecting to it then.
    void connectTo(const QString& location) {
        addStation(location);
        select(0);
        SendCommand(ID_PLAY_PLAYPAUSE);
    }
    // Lets a given-up connection end and its late answer come back.
    static void drainBackgroundWork() {
        platform::finishBackgroundWork(60000);
        QCoreApplication::processEvents();
    }
    TestHttpServer server;
};

TEST_F(ConnectionTest, TheAnswerPlaysTheRowOrTellsOfTheFailureOnce) {
    struct Case {
        const char* name;
        QString location;
        bool plays;
    };
    const Case cases[] = {
        {"a station that answers", url("/live"), true},
        {"nobody listening",
         QStringLiteral("http://127.0.0.1:%1/live").arg(testsupport::freeLoopbackPort()), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        list.ClearRows();
        QSignalSpy opened(&engine, &playback::PlaybackEngine::trackOpened);
        QSignalSpy ended(&engine, &playback::PlaybackEngine::connectionEnded);
        const QStringList messagesBefore = messages();
        connectTo(c.location);
        EXPECT_TRUE(engine.IsConnecting());
        EXPECT_EQ(engine.connectingRow(), 0);
        EXPECT_TRUE(engine.HasTrack()) << "Stop, Next and Previous act meanwhile";
        EXPECT_EQ(engine.stream(), 0u);
        ASSERT_TRUE(waitFor([&] { return opened.count() + ended.count() > 0; }));

        EXPECT_FALSE(engine.IsConnecting());
        EXPECT_EQ(opened.count(), c.plays ? 1 : 0);
        EXPECT_EQ(ended.count(), c.plays ? 0 : 1);
        EXPECT_EQ(engine.stream() != 0, c.plays);
        EXPECT_EQ(marks(), QStringList{c.plays ? ">" : ""});
        EXPECT_EQ(messages().size() - messagesBefore.size(), c.plays ? 0 : 1);
        SendCommand(ID_PLAY_STOP);
    }
}

TEST_F(ConnectionTest, StopWhileConnectingGivesTheConnectionUpWithoutAMessage) {
    QSignalSpy opened(&engine, &playback::PlaybackEngine::trackOpened);
    QSignalSpy ended(&engine, &playback::PlaybackEngine::connectionEnded);
    connectTo(url("/silent"));
    ASSERT_TRUE(engine.IsConnecting());
    SendCommand(ID_PLAY_STOP);
    EXPECT_FALSE(engine.IsConnecting());
    EXPECT_FALSE(engine.HasTrack());
    drainBackgroundWork();
    EXPECT_EQ(opened.count(), 0);
    EXPECT_EQ(ended.count(), 0) << "a connection given up has no answer to tell";
    EXPECT_EQ(engine.stream(), 0u);
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(ConnectionTest, AnAnswerForARowThatIsGoneIsDropped) {
    QSignalSpy opened(&engine, &playback::PlaybackEngine::trackOpened);
    QSignalSpy ended(&engine, &playback::PlaybackEngine::connectionEnded);
    connectTo(url("/live"));
    ASSERT_TRUE(engine.IsConnecting());
    list.ClearRows(); // a refill that sends no filled message, as a station list
    addRows(1);
    ASSERT_TRUE(waitFor([&] { return ended.count() > 0; }));
    EXPECT_EQ(opened.count(), 0);
    EXPECT_FALSE(engine.IsConnecting());
    EXPECT_EQ(engine.stream(), 0u) << "the late stream is freed unheard";
    EXPECT_EQ(marks(), QStringList{""});
    EXPECT_TRUE(messages().isEmpty());
}
