// Episodes of Atom feeds and of Media RSS items take their names and
// locations by the rules of RSS enclosures.
#include "browser/rss_feed.h"

#include <gtest/gtest.h>

namespace {

TEST(RssFeedNames, AtomAndMediaEpisodesAreNamedAsEnclosuresAre) {
    const struct {
        const char* what;
        std::string document;
        QString title;
        QString location;
    } cases[] = {
        {"an Atom entry with title and summary",
         "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>F</title><entry>"
         "<title>  Episode\n 1 </title><summary>The   first</summary>"
         "<link rel=\"enclosure\" href=\" media/01.mp3 \"/></entry></feed>",
         "Episode 1 The first", "http://host/feeds/media/01.mp3"},
        {"an Atom entry without a title",
         "<feed><entry><link rel=\"enclosure\" href=\"http://x/a/Ep%2002.mp3\"/></entry></feed>",
         "Ep 02.mp3 ", "http://x/a/Ep%2002.mp3"},
        {"Media RSS content with an entity in its title",
         "<rss><channel><item><title>Caf&eacute;</title>"
         "<media:content url=\"/ep.mp3\" type=\"audio/mpeg\"/></item></channel></rss>",
         QString::fromUtf8("Café "), "http://host/ep.mp3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto episodes = browser::FeedEpisodes(c.document, "http://host/feeds/list.xml");
        ASSERT_EQ(episodes.size(), 1u);
        EXPECT_EQ(episodes[0].title, c.title);
        EXPECT_EQ(episodes[0].location, c.location);
    }
    EXPECT_EQ(browser::FeedTitle("<feed><title>Atom &amp; Co &mdash; Show</title></feed>"),
              QString::fromUtf8("Atom & Co — Show"));
}

} // namespace
