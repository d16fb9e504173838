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
    void choosePodcasts() { view.OnSourceChanged(view.sourceBox()->count() - 1); }
    void chooseFeed(int index) {
        view.sourceBox()->setCurrentIndex(view.sourceBox()->count() - 1);
        view.OnEntryChanged(index);
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
    server.route("/feed", TestResponse::ok(document));
    writeFeedList("S," + server.url("/feed") + "\n");
    choosePodcasts();
    title.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&title));
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
    EXPECT_EQ(rewritten, "Zebra Talk," + server.url("/named") + "\r\nalpha," + server.url("/x") +
                             "\r\n\x93\xfa\x96\x7b\x82\xcc\x83\x89\x83\x57\x83\x49," +
                             server.url("/jp") + "\r\n");
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
