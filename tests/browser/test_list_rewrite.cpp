// The station and feed lists are rewritten in normalised form each time they
// are read; reading the rewritten file must show the same rows in the same
// order, or the list would change under the user from one visit to the next.
#include "browser_fixture.h"

#include "support/servers/test_http_server.h"

namespace {

QStringList Rows(const tracklist::CListView& list) {
    QStringList rows;
    for (int row = 0; row < list.RowCount(); ++row)
        rows.append(list.GetName(row) + "|" + list.GetLocation(row));
    return rows;
}

} // namespace

class ListRewriteTest : public BrowserTest {};

TEST_F(ListRewriteTest, LinesWithoutACommaKeepTheirPlaceAfterTheRewrite) {
    dir.write("Netradio.txt", "zeta\r\nAlpha,http://a/\r\n,empty\r\nC:\\\\Music\r\n");
    view.LoadNetRadio();
    const QStringList first = Rows(list);
    const std::string written = testsupport::readFile(dir.file("Netradio.txt"));
    EXPECT_EQ(first, (QStringList{"|C:\\\\\\\\Music", "|empty", "|zeta", "Alpha|http://a/"}));
    view.LoadNetRadio();
    EXPECT_EQ(Rows(list), first);
    EXPECT_EQ(testsupport::readFile(dir.file("Netradio.txt")), written);
}

TEST_F(ListRewriteTest, ALineWithoutACommaMergesWithItsRewrittenForm) {
    dir.write("Netradio.txt", "station\r\n,station\r\n");
    view.LoadNetRadio();
    EXPECT_EQ(Rows(list), QStringList{"|station"});
    EXPECT_EQ(testsupport::readFile(dir.file("Netradio.txt")), ",station\r\n");
}

TEST_F(ListRewriteTest, FeedNamesWithoutACommaSortLikeTheirRewrittenLines) {
    dir.write("Podcast.txt", "zz-feed\r\nAa,http://a/\r\n");
    view.LoadPodcastList();
    const QStringList first = entryTexts();
    EXPECT_EQ(first, (QStringList{"", "Aa"}));
    view.LoadPodcastList();
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
    EXPECT_EQ(entryTexts(), QStringList{"Morning Show Daily"});
    EXPECT_EQ(testsupport::readFile(dir.file("Podcast.txt")), "Morning Show Daily," + url + "\r\n");
    view.LoadPodcastList();
    EXPECT_EQ(entryTexts(), QStringList{"Morning Show Daily"});
    ASSERT_EQ(view.feedTable().size(), 1u);
    EXPECT_EQ(view.feedTable()[0], QString::fromStdString(url));
}
