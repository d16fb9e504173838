// Feed servers that are slow, stall, never answer, send without end or send
// something else, as the podcast source meets them: the rows are those of a
// whole feed or none, the title label shows the download's progress and is
// cleared, and no download outlasts the stall limit (15 s) by much.
#include "browser_fixture.h"

#include "support/servers/endless_sender.h"
#include "support/servers/test_http_server.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QTest>

using testsupport::TestHttpServer;
using testsupport::TestResponse;

namespace {

constexpr int kBeyondStallMs = 45000;

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
    server.route("/slow", TestResponse::dripped(feed, 256, 30, "application/rss+xml"));
    TitleRecorder history(title);
    loadFeedAt(server.url("/slow"));
    ASSERT_EQ(list.RowCount(), 12);
    EXPECT_EQ(list.GetName(0), "Episode 1 ");
    EXPECT_EQ(list.GetName(11), "Episode 12 ");
    // 256, 512, ... and the total, each shown once, then the titles, then "".
    QStringList progress;
    for (const QString& text : history.texts)
        if (ByteCount(text) >= 0)
            progress.append(text);
    ASSERT_EQ(progress.size(), static_cast<qsizetype>((feed.size() + 255) / 256));
    for (qsizetype i = 0; i + 1 < progress.size(); ++i)
        EXPECT_EQ(ByteCount(progress[i]), 256 * (i + 1));
    EXPECT_EQ(ByteCount(progress.back()), static_cast<qint64>(feed.size()));
    EXPECT_EQ(title.text(), "");
}

TEST_F(FeedFaultTest, AFeedThatStallsHalfwayGivesNoRowsAfterTheStallLimit) {
    const std::string feed = FeedWithEpisodes(12);
    const std::string firstHalf = feed.substr(0, feed.size() / 2); // several whole items
    server.route("/stall", TestResponse::stalled(firstHalf, "application/rss+xml"));
    TitleRecorder history(title);
    const qint64 blocked = loadFeedAt(server.url("/stall"));
    EXPECT_EQ(list.RowCount(), 0) << "a feed cut off is no feed";
    EXPECT_LT(blocked, kBeyondStallMs);
    EXPECT_GE(blocked, 10000) << "the stall limit is 15 s";
    ASSERT_FALSE(history.texts.isEmpty());
    EXPECT_TRUE(history.texts.contains(QString("%1Byte").arg(firstHalf.size() / 256 * 256)));
    EXPECT_EQ(title.text(), "");
}

TEST_F(FeedFaultTest, AFeedServerThatNeverAnswersGivesNoRowsAndNoProgress) {
    server.route("/silent", TestResponse::silent());
    TitleRecorder history(title);
    const qint64 blocked = loadFeedAt(server.url("/silent"));
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_LT(blocked, kBeyondStallMs);
    for (const QString& text : history.texts)
        EXPECT_LT(ByteCount(text), 0) << text.toStdString();
    EXPECT_EQ(title.text(), "");
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
    constexpr int64_t kCap = int64_t(64) << 20;
    EndlessSender sender("HTTP/1.1 200 OK\r\nContent-Type: application/rss+xml\r\n\r\n<rss>",
                         std::string(64 * 1024, ' '), int64_t(1) << 30);
    title.hide(); // 64 MiB of progress steps are not painted one by one here
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

TEST_F(FeedFaultTest, ABareFeedUrlWhoseServerStallsIsListedWithAnEmptyName) {
    server.route("/stall", TestResponse::stalled("<rss><channel><title>Never", "text/xml"));
    dir.write("Podcast.txt", server.url("/stall") + "\n");
    QElapsedTimer clock;
    clock.start();
    view.OnSourceChanged(view.sourceBox()->count() - 1);
    EXPECT_LT(clock.elapsed(), kBeyondStallMs);
    EXPECT_EQ(entryTexts(), QStringList{""});
    EXPECT_EQ(testsupport::readFile(dir.file("Podcast.txt")), "," + server.url("/stall") + "\r\n");
    EXPECT_EQ(title.text(), "");
}
