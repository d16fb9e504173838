// A podcast episode is played as a stream from its enclosure URL on a real
// HTTP server: it plays, its title with its length shows, and its end
// advances to the next episode as a file's end does; the last episode's end
// stops cleanly.
#include "frame_fixture.h"

#include "app/seek_bar.h"
#include "browser/form_view.h"
#include "res/resource_ids.h"
#include "support/fixtures.h"
#include "support/manual_play.h"
#include "support/servers/test_http_server.h"
#include "tracklist/list_view.h"

#include <QComboBox>
#include <QLabel>
#include <QTest>

using namespace res;
using testsupport::TestHttpServer;
using testsupport::TestResponse;

class PodcastEpisodeTest : public FrameTest {
protected:
    TestResponse episode(const char* fixtureName) {
        TestResponse response = TestResponse::ok(
            testsupport::readFile(testsupport::fixture(fixtureName)), "audio/mpeg");
        response.ranges = true;
        return response;
    }
    // Lists the feed through the frame's own browser panel.
    app::CMainFrame& openFeed(const std::string& feedXml) {
        server.route("/feed", TestResponse::ok(feedXml, "application/rss+xml"));
        dir.write("Podcast.txt", "Show," + server.url("/feed") + "\r\n");
        auto& f = create();
        browser::CFormView& view = *f.formView();
        view.setListFolder(QString::fromStdString(dir.path()) + "/");
        view.sourceBox()->setCurrentIndex(view.sourceBox()->count() - 1);
        view.OnSourceChanged(view.sourceBox()->count() - 1);
        settle();
        view.OnEntryChanged(0);
        settle();
        return f;
    }
    std::string item(const std::string& title, const std::string& path) {
        return "<item><title>" + title + "</title><enclosure url=\"" + server.url(path) +
               "\" type=\"audio/mpeg\"/></item>\n";
    }
    TestHttpServer server;
};

TEST_F(PodcastEpisodeTest, AnEpisodePlaysWithItsTitleAndItsEndStepsToTheNext) {
    // On the test's clock: an episode plays only as far as the test lets it,
    // however long the machine takes to fetch and decode it.
    setenv("QUAVERLY_AUDIO", "null:manual", 1);
    server.route("/ep1.mp3", episode("tone_1k_3s.mp3"));
    server.route("/ep2.mp3", episode("tone_1k_3s_title_only.mp3"));
    auto& f =
        openFeed("<rss version=\"2.0\"><channel><title>Show</title>\n" + item("First", "/ep1.mp3") +
                 item("Second", "/ep2.mp3") + "</channel></rss>\n");
    ASSERT_EQ(f.trackList()->RowCount(), 2);
    EXPECT_EQ(f.trackList()->GetLocation(0), QString::fromStdString(server.url("/ep1.mp3")));
    f.SelectOrder(0); // in order, once
    f.trackList()->SetCurrentRow(0);
    f.OnCommand(ID_PLAY_PLAYPAUSE);
    settleConnection();

    ASSERT_NE(f.engine().stream(), 0u);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return BASS_ChannelIsActive(f.engine().stream()) == BASS_ACTIVE_PLAYING; }, 30000));
    // The length comes from the stream itself (the server sends the whole
    // file with its length); tag fields are read for local files only.
    EXPECT_TRUE(f.titleLabel()->text().endsWith("(0:03)")) << f.titleLabel()->text().toStdString();
    EXPECT_TRUE(f.positionBar()->thumbVisible()) << "an episode has a length to seek in";
    // The clock waits while the stream waits for the network (a seek asks
    // the server for its place), and while an end is on its way.
    const auto waiting = [&] {
        const HSTREAM stream = f.engine().stream();
        const DWORD state = stream != 0 ? BASS_ChannelIsActive(stream) : BASS_ACTIVE_PLAYING;
        return state == BASS_ACTIVE_STOPPED || state == BASS_ACTIVE_STALLED;
    };
    // Each episode is heard to its end from a seek near it.
    f.engine().SeekToSecond(2);
    EXPECT_TRUE(
        testsupport::playManualClockUntil([&] { return f.engine().trackRow() == 1; }, waiting));
    settleConnection();
    EXPECT_EQ(f.engine().trackLocation(), QString::fromStdString(server.url("/ep2.mp3")));
    f.engine().SeekToSecond(2);
    EXPECT_TRUE(
        testsupport::playManualClockUntil([&] { return f.engine().stream() == 0; }, waiting))
        << "the last episode's end stops";
    EXPECT_TRUE(testsupport::readFile(dir.file("messages.log")).empty());
}

TEST_F(PodcastEpisodeTest, AnEpisodeCutOffByTheServerEndsAndTheNextPlays) {
    server.route(
        "/cut.mp3",
        TestResponse::truncated(
            testsupport::readFile(testsupport::fixture("tone_1k_3s.mp3")).substr(0, 20000), 60000));
    server.route("/ok.mp3", episode("tone_1k_3s_title_only.mp3"));
    auto& f = openFeed("<rss><channel>" + item("Cut", "/cut.mp3") + item("Ok", "/ok.mp3") +
                       "</channel></rss>");
    ASSERT_EQ(f.trackList()->RowCount(), 2);
    f.SelectOrder(0);
    f.trackList()->SetCurrentRow(0);
    f.OnCommand(ID_PLAY_PLAYPAUSE);
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.engine().trackRow() == 1; }, 45000));
    settleConnection();
    EXPECT_NE(f.engine().stream(), 0u);
    EXPECT_TRUE(testsupport::readFile(dir.file("messages.log")).empty());
}
