// Podcasts: the feed list file, feed titles and episodes downloaded from a
// real HTTP server on 127.0.0.1.
#include "browser_fixture.h"

#include "support/servers/test_http_server.h"

#include <QEvent>
#include <QTest>

using testsupport::TestHttpServer;
using testsupport::TestResponse;

namespace {

std::string Feed(const std::string& items, const std::string& title = "My Show") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel><title>" +
           title + "</title>\n" + items + "</channel></rss>\n";
}

std::string Item(const std::string& title, const std::string& url,
                 const std::string& description = "") {
    std::string item = "<item><title>" + title + "</title>";
    if (!url.empty())
        item += "<enclosure url=\"" + url + "\" type=\"audio/mpeg\"/>";
    if (!description.empty())
        item += "<description>" + description + "</description>";
    return item + "</item>\n";
}

} // namespace

class PodcastTest : public BrowserTest {
protected:
    void writeFeedList(const std::string& text) { dir.write("Podcast.txt", text); }
    void choosePodcasts() {
        view.OnSourceChanged(view.sourceBox()->count() - 1);
        settle();
    }
    void chooseFeed(int index) {
        view.sourceBox()->setCurrentIndex(view.sourceBox()->count() - 1);
        view.OnEntryChanged(index);
        settle();
    }
    TestHttpServer server;
};

TEST_F(PodcastTest, ItemsWithAnEnclosureBecomeRowsWithTheirOwnTitles) {
    server.route("/feed",
                 TestResponse::ok(Feed(Item("One", "http://h/1.mp3", "First") + Item("Two", "") +
                                       "<!-- a comment between items -->\n<other>x</other>\n" +
                                       Item("Three", "http://h/3.mp3")),
                                  "application/rss+xml"));
    writeFeedList("Show," + server.url("/feed") + "\n");
    choosePodcasts();
    ASSERT_EQ(entryTexts(), QStringList{"Show"});
    chooseFeed(0);
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.GetLocation(0), "http://h/1.mp3");
    EXPECT_EQ(list.GetName(0), "One First");
    EXPECT_EQ(list.GetLocation(1), "http://h/3.mp3");
    EXPECT_EQ(list.GetName(1), "Three ") << "a missing description leaves one space";
    EXPECT_EQ(title.text(), "");
    EXPECT_EQ(frame.filled, 0) << "episodes do not rebuild the play order";
}

TEST_F(PodcastTest, TheDescriptionRuleLooksForBothEndTagAndEmptyTag) {
    server.route("/feed",
                 TestResponse::ok(Feed(Item("A", "http://h/a", "&lt;p&gt;text&lt;/p&gt;") +
                                       Item("B", "http://h/b", "one&lt;br/&gt;two&lt;/p&gt;") +
                                       Item("C", "http://h/c", "<![CDATA[]]>"))));
    writeFeedList("," + server.url("/feed") + "\n");
    choosePodcasts();
    EXPECT_EQ(entryTexts(), QStringList{""}) << "an empty name still opens its feed";
    chooseFeed(0);
    ASSERT_EQ(list.RowCount(), 3);
    EXPECT_EQ(list.GetName(0), "A <p>text</p>");
    EXPECT_EQ(list.GetName(1), "B");
    EXPECT_EQ(list.GetName(2), "C ");
}

TEST_F(PodcastTest, ProgressIsShownPer256BytesThenCleared) {
    std::string document = Feed(Item("Only", "http://h/o.mp3"));
    document.resize(600, ' ');
    // Reads of 256, 256 and 88 bytes, further apart than progress repaints.
    server.route("/feed", TestResponse::dripped(document, 256, 100));
    writeFeedList("S," + server.url("/feed") + "\n");
    choosePodcasts();
    title.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&title));
    QTest::qWait(50);
    TitleRecorder recorder(title);
    chooseFeed(0);
    ASSERT_GE(recorder.texts.size(), 4);
    EXPECT_EQ(recorder.texts.mid(0, 4), (QStringList{"256Byte", "512Byte", "600Byte", ""}));
    EXPECT_EQ(list.RowCount(), 1);
    EXPECT_EQ(title.text(), "");
}

TEST_F(PodcastTest, ChoosingTheSameFeedAgainDownloadsItAgain) {
    server.route("/a", TestResponse::ok(Feed(Item("A1", "http://h/a1"))));
    server.route("/b",
                 TestResponse::ok(Feed(Item("B1", "http://h/b1") + Item("B2", "http://h/b2"))));
    writeFeedList("A," + server.url("/a") + "\nB," + server.url("/b") + "\n");
    choosePodcasts();
    chooseFeed(0);
    chooseFeed(1);
    EXPECT_EQ(list.RowCount(), 2);
    chooseFeed(0);
    EXPECT_EQ(list.RowCount(), 1);
    EXPECT_EQ(list.GetName(0), "A1 ");
    int downloadsOfA = 0;
    for (const auto& request : server.requests())
        downloadsOfA += request.target == "/a";
    EXPECT_EQ(downloadsOfA, 2);
}

TEST_F(PodcastTest, BrokenFeedsGiveNoRows) {
    server.route("/missing", TestResponse::notFound());
    server.route("/cut", TestResponse::truncated(Feed(Item("X", "http://h/x")), 100000));
    server.route("/text", TestResponse::ok("this is not XML at all"));
    std::string deep = "<rss><channel>";
    for (int i = 0; i < 5000; ++i)
        deep += "<item>";
    server.route("/deep", TestResponse::ok(deep));
    server.route("/norss", TestResponse::ok("<feed><entry/></feed>"));
    writeFeedList("1," + server.url("/missing") + "\n2," + server.url("/cut") + "\n3," +
                  server.url("/text") + "\n4," + server.url("/deep") + "\n5," +
                  server.url("/norss") + "\n6,file:///etc/passwd\n");
    choosePodcasts();
    ASSERT_EQ(entryTexts().size(), 6);
    for (int feed = 0; feed < 6; ++feed) {
        list.AppendRow("/stale.mp3", "stale");
        chooseFeed(feed);
        EXPECT_EQ(list.RowCount(), 0) << feed;
    }
}

TEST_F(PodcastTest, TheFeedListIsNamedSortedAndRewritten) {
    server.route("/named", TestResponse::ok(Feed("", "Zebra Talk")));
    server.route("/jp", TestResponse::ok(Feed("", "日本のラジオ")));
    writeFeedList(server.url("/named") + "\r\nalpha," + server.url("/x") + "\r\n" +
                  server.url("/jp") + "\n" + "alpha," + server.url("/x") + "\n");
    choosePodcasts();
    EXPECT_EQ(entryTexts(), (QStringList{"Zebra Talk", "alpha", "日本のラジオ"}));
    ASSERT_EQ(view.feedTable().size(), 3u);
    EXPECT_EQ(view.feedTable()[0], QString::fromStdString(server.url("/named")));
    EXPECT_EQ(view.feedTable()[2], QString::fromStdString(server.url("/jp")));
    const std::string rewritten = testsupport::readFile(dir.file("Podcast.txt"));
    // Names new to the file are UTF-8; the file keeps its first line's end.
    EXPECT_EQ(rewritten, "Zebra Talk," + server.url("/named") + "\r\nalpha," + server.url("/x") +
                             "\r\n日本のラジオ," + server.url("/jp") + "\r\n");
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(title.text(), "");
}

TEST_F(PodcastTest, ChoosingAFeedWritesNoLastPath) {
    server.route("/f", TestResponse::ok(Feed(Item("E", "http://h/e"))));
    writeFeedList("F," + server.url("/f") + "\n");
    choosePodcasts();
    chooseFeed(0);
    EXPECT_EQ(testsupport::readFile(dir.file("quaverly.ini")), "");
    EXPECT_EQ(entryTexts(), QStringList{"F"});
}

TEST_F(PodcastTest, EpisodesOfAFeedShapedLikeARealPodcast) {
    // A tracking-prefixed enclosure of over 300 characters, as large
    // podcasts publish them.
    const std::string tracking = "https://dts.podtrac.com/redirect.mp3/chrt.fm/track/9EE2G/"
                                 "pdst.fm/e/traffic.megaphone.fm/" +
                                 std::string(200, 'Q') + ".mp3?updated=1700000000&amp;ref=rss";
    const std::string feed =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<rss version=\"2.0\" xmlns:itunes=\"http://www.itunes.com/dtds/podcast-1.0.dtd\" "
        "xmlns:atom=\"http://www.w3.org/2005/Atom\"><channel>\n"
        "<atom:link href=\"http://example.com/feed\" rel=\"self\" type=\"application/rss+xml\"/>\n"
        "<title>Real Show</title><itunes:explicit>false</itunes:explicit>\n"
        "<item><title><![CDATA[\n  Episode 12:\n\tThe   Return  ]]></title>\n"
        "<description><![CDATA[Show\r\nnotes]]></description>\n"
        "<enclosure url=\"" +
        tracking +
        "\" length=\"1\" type=\"audio/mpeg\"/></item>\n"
        "<item><title>Relative</title><enclosure url=\" media/ep%2011.mp3\n\"/></item>\n"
        "<item><itunes:title>Only iTunes</itunes:title>"
        "<enclosure url=\"https://cdn.example.com/audio/Episode%2010.mp3?x=1\"/></item>\n"
        "<item><title>No url</title><enclosure type=\"audio/mpeg\"/></item>\n"
        "<item><title>Blank url</title><enclosure url=\"  \"/></item>\n"
        "<item><title>Scheme-relative</title><enclosure url=\"//cdn.example.com/e9.mp3\"/>"
        "<description>&lt;p&gt;a&lt;br/&gt;&lt;/p&gt;</description></item>\n"
        "</channel></rss>\n";
    server.route("/shows/feed.xml", TestResponse::ok(feed, "application/rss+xml; charset=utf-8"));
    server.route("/old-feed", TestResponse::redirect(server.url("/shows/feed.xml")));
    writeFeedList("Real," + server.url("/old-feed") + "\n");
    choosePodcasts();
    chooseFeed(0);
    const struct {
        std::string location;
        QString name;
    } rows[] = {
        {"https://dts.podtrac.com/redirect.mp3/chrt.fm/track/9EE2G/pdst.fm/e/"
         "traffic.megaphone.fm/" +
             std::string(200, 'Q') + ".mp3?updated=1700000000&ref=rss",
         "Episode 12: The Return Show notes"},
        {server.url("/shows/media/ep%2011.mp3"), "Relative "},
        {"https://cdn.example.com/audio/Episode%2010.mp3?x=1", "Episode 10.mp3 "},
        {"http://cdn.example.com/e9.mp3", "Scheme-relative"},
    };
    ASSERT_EQ(list.RowCount(), static_cast<int>(std::size(rows)));
    for (int row = 0; row < list.RowCount(); ++row) {
        EXPECT_EQ(list.GetLocation(row).toStdString(), rows[row].location) << row;
        EXPECT_EQ(list.GetName(row), rows[row].name) << row;
    }
    EXPECT_GT(list.GetLocation(0).size(), 300) << "kept whole";
}

TEST_F(PodcastTest, AFeedDeclaredInLatin1ShowsItsAccents) {
    server.route("/fr", TestResponse::ok("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n"
                                         "<rss><channel><title>Fran\xE7"
                                         "ais</title>"
                                         "<item><title>03 d\xE9"
                                         "cembre</title>"
                                         "<enclosure url=\"http://h/1.mp3\"/></item>"
                                         "</channel></rss>",
                                         "text/xml"));
    writeFeedList(server.url("/fr") + "\n");
    choosePodcasts();
    EXPECT_EQ(entryTexts(), QStringList{"Français"});
    chooseFeed(0);
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_EQ(list.GetName(0), "03 décembre ");
}
