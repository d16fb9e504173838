// The station and feed lists are rewritten in normalised form each time they
// are read; reading the rewritten file must show the same rows in the same
// order, or the list would change under the user from one visit to the next.
#include "browser_fixture.h"

#include "browser/list_file.h"
#include "support/as_nobody.h"
#include "support/log_capture.h"
#include "support/servers/test_http_server.h"

#include <sys/stat.h>

class ListRewriteTest : public BrowserTest {};

TEST_F(ListRewriteTest, LinesWithoutACommaKeepTheirPlaceAfterTheRewrite) {
    dir.write("Netradio.txt", "zeta\r\nAlpha,http://a/\r\n,empty\r\nC:\\\\Music\r\n");
    view.LoadNetRadio();
    settle();
    const QStringList first = Rows(list);
    const std::string written = testsupport::readFile(dir.file("Netradio.txt"));
    EXPECT_EQ(first, (QStringList{"|C:\\\\\\\\Music", "|empty", "|zeta", "Alpha|http://a/"}));
    view.LoadNetRadio();
    settle();
    EXPECT_EQ(Rows(list), first);
    EXPECT_EQ(testsupport::readFile(dir.file("Netradio.txt")), written);
}

TEST_F(ListRewriteTest, ALineWithoutACommaMergesWithItsRewrittenForm) {
    dir.write("Netradio.txt", "station\r\n,station\r\n");
    view.LoadNetRadio();
    settle();
    EXPECT_EQ(Rows(list), QStringList{"|station"});
    EXPECT_EQ(testsupport::readFile(dir.file("Netradio.txt")), ",station\r\n");
}

TEST_F(ListRewriteTest, FeedNamesWithoutACommaSortLikeTheirRewrittenLines) {
    dir.write("Podcast.txt", "zz-feed\r\nAa,http://a/\r\n");
    view.LoadPodcastList();
    settle();
    const QStringList first = entryTexts();
    EXPECT_EQ(first, (QStringList{"", "Aa"}));
    view.LoadPodcastList();
    settle();
    EXPECT_EQ(entryTexts(), first);
}

TEST_F(ListRewriteTest, AFeedTitleOverSeveralLinesStaysOneEntry) {
    testsupport::TestHttpServer server;
    server.route("/feed",
                 testsupport::TestResponse::ok(
                     "<rss><channel><title>Morning\r\nShow\nDaily</title></channel></rss>"));
    const std::string url = server.url("/feed");
    dir.write("Podcast.txt", url + "\r\n");
    view.LoadPodcastList();
    settle();
    EXPECT_EQ(entryTexts(), QStringList{"Morning Show Daily"});
    EXPECT_EQ(testsupport::readFile(dir.file("Podcast.txt")), "Morning Show Daily," + url + "\r\n");
    view.LoadPodcastList();
    settle();
    EXPECT_EQ(entryTexts(), QStringList{"Morning Show Daily"});
    ASSERT_EQ(view.feedTable().size(), 1u);
    EXPECT_EQ(view.feedTable()[0], QString::fromStdString(url));
}

// --- The list files are the user's: never replaced when they cannot be read,
// not rewritten when made read-only or changed by someone else meanwhile.

TEST_F(ListRewriteTest, AListFileThatCannotBeReadIsKept) {
    const std::string kStations = "Zeta,http://z/\r\nAlpha,http://a/\r\n";
    const std::string kFeeds = "Show,http://a/feed\r\n";
    testsupport::AsNobody run;
    if (!run.isCopy()) {
        if (!testsupport::AsNobody::possible())
            GTEST_SKIP() << "needs root to run as nobody";
        run.write("Netradio.txt", kStations);
        run.own("Netradio.txt", true, 0200);
        run.write("Podcast.txt", kFeeds);
        run.own("Podcast.txt", false, 0600);
        run.runCopy();
        EXPECT_EQ(testsupport::readFile(run.file("Netradio.txt")), kStations);
        EXPECT_EQ(testsupport::readFile(run.file("Podcast.txt")), kFeeds);
        return;
    }
    view.setListFolder(QString::fromStdString(run.file("")));
    const testsupport::LogCapture log("quaverly.");
    for (int visit = 0; visit < 2; ++visit) {
        view.LoadNetRadio();
        settle();
        EXPECT_EQ(list.RowCount(), 0);
        view.LoadPodcastList();
        settle();
        EXPECT_TRUE(entryTexts().isEmpty());
    }
    const QStringList warnings = log.messages(QtWarningMsg);
    ASSERT_EQ(warnings.size(), 2) << "one for each file";
    EXPECT_TRUE(warnings[0].contains(QString::fromStdString(run.file("Netradio.txt"))));
    EXPECT_TRUE(warnings[1].contains(QString::fromStdString(run.file("Podcast.txt"))));
}

TEST_F(ListRewriteTest, AReadOnlyListFileIsShownButNotRewritten) {
    const std::string path = dir.write("Netradio.txt", "Zeta,http://z/\r\nAlpha,http://a/\r\n");
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    view.LoadNetRadio();
    settle();
    EXPECT_EQ(rowNames(), (QStringList{"Alpha", "Zeta"}));
    EXPECT_EQ(testsupport::readFile(path), "Zeta,http://z/\r\nAlpha,http://a/\r\n");
}

TEST_F(ListRewriteTest, AListChangedSinceItWasReadIsNotOverwritten) {
    const std::string path = dir.write("Netradio.txt", "http://slow/\r\n");
    const QString file = QString::fromStdString(path);
    // While the station is probed, the user saves the list in an editor.
    const browser::ListEntrySet entries = browser::ReadListEntries(file, [&](const QString&) {
        dir.write("Netradio.txt", "Other,http://other/\r\n");
        return QString("Slow");
    });
    EXPECT_FALSE(browser::WriteListFile(file, QStringList(entries.begin(), entries.end())));
    EXPECT_EQ(testsupport::readFile(path), "Other,http://other/\r\n");
    // Read again, the list is written again.
    browser::ReadListFile(file);
    EXPECT_TRUE(browser::WriteListFile(file, {"Slow,http://slow/"}));
}
