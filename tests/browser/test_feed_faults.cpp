// Feed servers that are slow, stall, trickle, never answer, send without end
// or send something else, as the podcast source meets them: the rows are those
// of a whole feed or none, the title label shows the download's progress and
// is cleared, and no download outlasts its limits. The limits are short ones
// (the real ones are a 15 s stall, 30 s in all and 64 MiB).
#include "browser_fixture.h"

#include "playback/station_probe.h"
#include "support/servers/endless_sender.h"
#include "support/servers/test_http_server.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QTest>

using testsupport::TestHttpServer;
using testsupport::TestResponse;

namespace {

constexpr long kStallMs = 400;
constexpr long kDeadlineMs = 1500;
constexpr int64_t kCap = 2 << 20;
// Beyond every limit, with a margin for a loaded machine: anything slower
// is a hang.
constexpr qint64 kBeyondLimitsMs = kDeadlineMs + 3000;

audio::net::HttpLimits ShortFeedLimits() {
    audio::net::HttpLimits limits = browser::FeedDownloadLimits();
    limits.connectTimeoutMs = 1000;
    limits.stallTimeoutMs = kStallMs;
    limits.deadlineMs = kDeadlineMs;
    limits.maxBodyBytes = kCap;
    return limits;
}

std::string FeedWithEpisodes(int count) {
    std::string items;
    for (int i = 1; i <= count; ++i)
        items += "<item><title>Episode " + std::to_string(i) +
                 "</title><enclosure url=\"http://h/" + std::to_string(i) +
                 ".mp3\" type=\"audio/mpeg\"/></item>\n";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel>"
           "<title>Slow Show</title>\n" +
           items + "</channel></rss>\n";
}

qint64 ByteCount(const QString& progress) {
    return progress.endsWith("Byte") ? progress.chopped(4).toLongLong() : -1;
}

} // namespace

class FeedFaultTest : public BrowserTest {
protected:
    void SetUp() override {
        BrowserTest::SetUp();
        view.setNetworkLimits(ShortFeedLimits(), playback::StationProbeLimits());
        title.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&title));
    }
    // Lists the one feed and downloads it; returns how long that blocked.
    qint64 loadFeedAt(const std::string& url) {
        dir.write("Podcast.txt", "Show," + url + "\r\n");
        view.OnSourceChanged(view.sourceBox()->count() - 1);
        view.sourceBox()->setCurrentIndex(view.sourceBox()->count() - 1);
        list.AppendRow("/stale.mp3", "stale");
        QElapsedTimer clock;
        clock.start();
        view.OnEntryChanged(0);
        return clock.elapsed();
    }
    TestHttpServer server;
};

TEST_F(FeedFaultTest, ASlowFeedArrivesWholeWithItsProgressShownOnTheWay) {
    const std::string feed = FeedWithEpisodes(12);
    // Reads further apart than progress repaints, each well within the stall.
    server.route("/slow", TestResponse::dripped(feed, 256, 60, "application/rss+xml"));
    TitleRecorder history(title);
    loadFeedAt(server.url("/slow"));
    ASSERT_EQ(list.RowCount(), 12);
    EXPECT_EQ(list.GetName(0), "Episode 1 ");
    EXPECT_EQ(list.GetName(11), "Episode 12 ");
    // The count grows in 256-byte steps and ends with the total, then "".
    QList<qint64> progress;
    for (const QString& text : history.texts)
        if (ByteCount(text) >= 0)
            progress.append(ByteCount(text));
    ASSERT_GE(progress.size(), 2);
    for (qsizetype i = 0; i + 1 < progress.size(); ++i) {
        EXPECT_EQ(progress[i] % 256, 0) << progress[i];
        EXPECT_LT(progress[i], progress[i + 1]);
    }
    EXPECT_EQ(progress.back(), static_cast<qint64>(feed.size()));
    EXPECT_GE(progress.size(), static_cast<qsizetype>(feed.size() / 256 / 2))
        << "most steps are painted as they come";
    EXPECT_EQ(title.text(), "");
}

TEST_F(FeedFaultTest, FeedsThatStopOrTrickleGiveNoRowsWithinTheirLimits) {
    const std::string feed = FeedWithEpisodes(12);
    const std::string firstHalf = feed.substr(0, feed.size() / 2); // several whole items
    server.route("/stall", TestResponse::stalled(firstHalf, "application/rss+xml"));
    server.route("/silent", TestResponse::silent());
    TestResponse trickle = TestResponse::trickle("application/rss+xml", 100);
    trickle.body = firstHalf;
    server.route("/trickle", trickle);
    server.route("/trickled-headers", TestResponse::trickledHeaders(100));
    const struct {
        const char* path;
        qint64 atLeastMs; // the limit that ends it
        qint64 progressShown;
    } cases[] = {
        {"/stall", kStallMs, static_cast<qint64>(firstHalf.size() / 256 * 256)},
        {"/silent", kStallMs, -1},
        {"/trickle", kDeadlineMs, static_cast<qint64>(firstHalf.size() / 256 * 256)},
        {"/trickled-headers", kDeadlineMs, -1},
    };
    for (const auto& c : cases) {
        TitleRecorder history(title);
        const qint64 blocked = loadFeedAt(server.url(c.path));
        EXPECT_EQ(list.RowCount(), 0) << c.path << ": a feed cut off is no feed";
        EXPECT_GE(blocked, c.atLeastMs - 50) << c.path;
        EXPECT_LT(blocked, kBeyondLimitsMs) << c.path;
        qint64 shown = -1;
        for (const QString& text : history.texts)
            shown = std::max(shown, ByteCount(text));
        if (c.progressShown < 0)
            EXPECT_EQ(shown, -1) << c.path;
        else
            EXPECT_GE(shown, c.progressShown) << c.path;
        EXPECT_EQ(title.text(), "") << c.path;
    }
}

TEST_F(FeedFaultTest, AnHtmlPageInsteadOfAFeedGivesNoRows) {
    server.route("/html", TestResponse::ok("<!DOCTYPE html>\n<html><head><title>Podcast</title>"
                                           "</head><body><p>Subscribe<br></p></body></html>\n",
                                           "text/html"));
    server.route("/xhtml", TestResponse::ok(
                               "<html><head><title>Podcast</title></head><body><item><title>x"
                               "</title><enclosure url=\"http://h/x.mp3\"/></item></body></html>",
                               "text/html"));
    loadFeedAt(server.url("/html"));
    EXPECT_EQ(list.RowCount(), 0);
    loadFeedAt(server.url("/xhtml"));
    EXPECT_EQ(list.RowCount(), 0) << "items outside rss/channel are not episodes";
    EXPECT_EQ(title.text(), "");
}

TEST_F(FeedFaultTest, AnEndlessFeedIsCutOffAtTheDownloadCap) {
    EndlessSender sender("HTTP/1.1 200 OK\r\nContent-Type: application/rss+xml\r\n\r\n<rss>",
                         std::string(64 * 1024, ' '), int64_t(1) << 30);
    loadFeedAt(sender.url("/endless"));
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return sender.clientGone(); }, 10000));
    EXPECT_FALSE(sender.reachedLimit());
    EXPECT_GE(sender.sent(), kCap) << "everything up to the cap is taken";
    EXPECT_LT(sender.sent(), kCap + (32 << 20));
    EXPECT_EQ(title.text(), "");
}

TEST_F(FeedFaultTest, EndlessFeedHeadersAreCutOff) {
    std::string filler;
    for (int i = 0; i < 100; ++i)
        filler += "X-Filler: " + std::string(100, 'h') + "\r\n";
    EndlessSender sender("HTTP/1.1 200 OK\r\n", filler, int64_t(256) << 20);
    loadFeedAt(sender.url("/endless-headers"));
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return sender.clientGone(); }, 10000));
    EXPECT_FALSE(sender.reachedLimit());
    EXPECT_LT(sender.sent(), 16 << 20);
}

TEST_F(FeedFaultTest, AStationUrlInTheFeedListIsRefusedAtOnce) {
    EndlessSender station("HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nicy-name: Live\r\n\r\n",
                          std::string(16 * 1024, '\xff'), int64_t(1) << 30);
    const std::string url = station.url("/live");
    dir.write("Podcast.txt", url + "\n");
    QElapsedTimer clock;
    clock.start();
    view.OnSourceChanged(view.sourceBox()->count() - 1);
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(entryTexts(), QStringList{""});
    EXPECT_EQ(testsupport::readFile(dir.file("Podcast.txt")), "," + url + "\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return station.clientGone(); }, 5000));
    EXPECT_LT(station.sent(), 8 << 20) << "not downloaded up to the cap";
    EXPECT_EQ(title.text(), "");
}

TEST_F(FeedFaultTest, ABareFeedUrlWhoseServerStallsIsListedWithAnEmptyName) {
    server.route("/stall", TestResponse::stalled("<rss><channel><title>Never", "text/xml"));
    dir.write("Podcast.txt", server.url("/stall") + "\n");
    QElapsedTimer clock;
    clock.start();
    view.OnSourceChanged(view.sourceBox()->count() - 1);
    EXPECT_GE(clock.elapsed(), kStallMs - 50);
    EXPECT_LT(clock.elapsed(), kBeyondLimitsMs);
    EXPECT_EQ(entryTexts(), QStringList{""});
    EXPECT_EQ(testsupport::readFile(dir.file("Podcast.txt")), "," + server.url("/stall") + "\n");
    EXPECT_EQ(title.text(), "");
}
