// RSS documents in the encodings podcasts publish them in, read by the codec
// module: the declared or byte-order-marked encoding converted to UTF-8. (The
// items that make episodes are tested through the podcast source.)
#include "feeds/feed_document.h"

#include <gtest/gtest.h>

using feeds::FeedDocument;
using feeds::FeedParts;
using feeds::parseFeed;

namespace {

std::string Declared(const std::string& encoding, const std::string& title) {
    return "<?xml version=\"1.0\" encoding=\"" + encoding +
           "\"?>\n<rss version=\"2.0\"><channel>"
           "<title>" +
           title + "</title></channel></rss>\n";
}

// Each character of an ASCII text as two bytes.
std::string Utf16(const std::string& ascii, bool littleEndian) {
    std::string bytes;
    for (const char c : ascii) {
        bytes += littleEndian ? std::string{c, '\0'} : std::string{'\0', c};
    }
    return bytes;
}

std::string Utf16Feed(bool littleEndian, bool withMark) {
    const std::string mark = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    const std::string before = "<?xml version=\"1.0\" encoding=\"UTF-16\"?><rss><channel><title>";
    const std::string e = littleEndian ? std::string("\xE9\x00", 2) : std::string("\x00\xE9", 2);
    return (withMark ? mark : "") + Utf16(before, littleEndian) + Utf16("03 d", littleEndian) + e +
           Utf16("cembre</title></channel></rss>", littleEndian);
}

} // namespace

TEST(NetFeedDocument, DocumentsInOtherEncodingsAreReadByTheirDeclaration) {
    const struct {
        const char* what;
        std::string document;
        std::string title; // UTF-8
    } cases[] = {
        {"ISO-8859-1",
         Declared("iso-8859-1", "03 d\xE9"
                                "cembre"),
         "03 d\xC3\xA9"
         "cembre"},
        {"Latin-1 holding windows-1252 quotes", Declared("ISO-8859-1", "\x93Hi\x94 \x80"),
         "\xE2\x80\x9CHi\xE2\x80\x9D \xE2\x82\xAC"},
        {"windows-1252", Declared("windows-1252", "Caf\xE9 \x96 Talk"),
         "Caf\xC3\xA9 \xE2\x80\x93 Talk"},
        {"Shift_JIS", Declared("Shift_JIS", "\x83\x65\x83\x58\x83\x67 \xD7\xBC\xDE\xB5"),
         "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88 \xEF\xBE\x97\xEF\xBD\xBC\xEF\xBE\x9E\xEF\xBD\xB5"},
        {"EUC-JP", Declared("EUC-JP", "\xA5\xC6\xA5\xB9\xA5\xC8"),
         "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88"},
        {"single quotes and spaces",
         "<?xml version='1.0' encoding = 'iso-8859-1' ?><rss><channel>"
         "<title>\xE9t\xE9</title></channel></rss>",
         "\xC3\xA9t\xC3\xA9"},
        {"UTF-16LE with its mark", Utf16Feed(true, true),
         "03 d\xC3\xA9"
         "cembre"},
        {"UTF-16BE with its mark", Utf16Feed(false, true),
         "03 d\xC3\xA9"
         "cembre"},
        {"UTF-16LE without a mark", Utf16Feed(true, false),
         "03 d\xC3\xA9"
         "cembre"},
        {"UTF-8 undeclared", "<rss><channel><title>d\xC3\xA9j\xC3\xA0</title></channel></rss>",
         "d\xC3\xA9j\xC3\xA0"},
        {"a UTF-8 mark over a wrong declaration",
         "\xEF\xBB\xBF" + Declared("iso-8859-1", "\xC3\xA9"), "\xC3\xA9"},
        {"an encoding nobody knows, read as UTF-8", Declared("x-no-such", "\xC3\xA9"), "\xC3\xA9"},
        {"bytes the encoding lacks", Declared("windows-1252", "a\x81z"), "a\xEF\xBF\xBDz"},
    };
    for (const auto& c : cases) {
        const FeedDocument feed = parseFeed(c.document, FeedParts::TitleOnly);
        EXPECT_TRUE(feed.wellFormed) << c.what;
        EXPECT_EQ(feed.channelTitle, c.title) << c.what;
    }
}

namespace {

std::string Rss(const std::string& title) {
    return "<rss version=\"2.0\"><channel><title>" + title + "</title></channel></rss>";
}

// Each byte of an ASCII text as a four-byte unit.
std::string Utf32(const std::string& ascii, bool littleEndian) {
    std::string bytes;
    for (const char c : ascii) {
        const std::string zeros(3, '\0');
        bytes += littleEndian ? c + zeros : zeros + c;
    }
    return bytes;
}

} // namespace

TEST(NetFeedDocument, HtmlNamedReferencesAreTheirCharacters) {
    const struct {
        const char* what;
        std::string written;
        std::string title; // UTF-8
    } cases[] = {
        {"Latin-1 letters", "Caf&eacute; &Uuml;ber",
         "Caf\xC3\xA9 \xC3\x9C"
         "ber"},
        {"spaces and dashes", "A&nbsp;B &mdash; C &ndash; D&hellip;",
         "A\xC2\xA0"
         "B \xE2\x80\x94 C \xE2\x80\x93 D\xE2\x80\xA6"},
        {"quotes and signs", "&ldquo;Hi&rdquo; &euro;5 &trade;",
         "\xE2\x80\x9CHi\xE2\x80\x9D \xE2\x82\xAC"
         "5 \xE2\x84\xA2"},
        {"XML's own and numeric ones as before", "&amp; &lt; &#233; &#x41;", "& < \xC3\xA9 A"},
        {"an escaped ampersand stays text", "&amp;eacute;", "&eacute;"},
        {"a CDATA section is taken as written", "<![CDATA[&eacute;]]>", "&eacute;"},
        {"a name HTML lacks", "&nosuchname; x", "&nosuchname; x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const FeedDocument feed = parseFeed(Rss(c.written), FeedParts::TitleOnly);
        EXPECT_TRUE(feed.wellFormed);
        EXPECT_EQ(feed.channelTitle, c.title);
    }
}

// A feed that names no encoding and is not UTF-8 is read by the 8-bit text
// rule (CP932, else Windows-1252); UTF-32 is known by its mark.
TEST(NetFeedDocument, UndeclaredAndUtf32FeedsAreRead) {
    const struct {
        const char* what;
        std::string document;
        std::string title;
        std::string url;
    } cases[] = {
        {"undeclared Shift_JIS",
         "<rss><channel><title>\x83\x65\x83\x58\x83\x67</title><item><enclosure "
         "url=\"\x83\x65.mp3\"/></item></channel></rss>",
         "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88", "\xE3\x83\x86.mp3"},
        {"undeclared Windows-1252",
         "<?xml version=\"1.0\"?><rss><channel><title>Caf\xE9 \x96 Talk</title><item><enclosure "
         "url=\"caf\xE9.mp3\"/></item></channel></rss>",
         "Caf\xC3\xA9 \xE2\x80\x93 Talk", "caf\xC3\xA9.mp3"},
        {"UTF-32LE with its mark",
         "\xFF\xFE" + std::string(2, '\0') +
             Utf32("<rss><channel><title>T</title><item><enclosure url=\"a.mp3\"/></item>"
                   "</channel></rss>",
                   true),
         "T", "a.mp3"},
        {"UTF-32BE with its mark",
         std::string(2, '\0') + "\xFE\xFF" +
             Utf32("<rss><channel><title>T</title><item><enclosure url=\"a.mp3\"/></item>"
                   "</channel></rss>",
                   false),
         "T", "a.mp3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const FeedDocument feed = parseFeed(c.document, FeedParts::Everything);
        EXPECT_TRUE(feed.wellFormed);
        EXPECT_EQ(feed.channelTitle, c.title);
        ASSERT_EQ(feed.episodes.size(), 1u);
        EXPECT_EQ(feed.episodes[0].url, c.url);
    }
}

// Atom entries and Media RSS contents give episodes as RSS enclosures do.
TEST(NetFeedDocument, AtomEntriesAndMediaContentsAreEpisodes) {
    const std::string atom =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
        "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>Atom Show</title>"
        "<entry><title>One</title><summary>First</summary>"
        "<link rel=\"alternate\" href=\"http://x/page\"/>"
        "<link rel=\"enclosure\" type=\"audio/mpeg\" href=\"http://x/1.mp3\"/></entry>"
        "<entry><title>No audio</title><link href=\"http://x/2\"/></entry>"
        "<entry><title>Media</title><media:content url=\"http://x/3.m4a\" "
        "type=\"audio/mp4\"/></entry></feed>";
    const std::string media =
        "<rss xmlns:media=\"http://search.yahoo.com/mrss/\"><channel><title>S</title>"
        "<item><title>Direct</title><media:content url=\"http://x/pic.jpg\" medium=\"image\"/>"
        "<media:content url=\"http://x/a.mp3\" type=\"audio/mpeg\"/></item>"
        "<item><title>Grouped</title><media:group><media:content url=\"http://x/b.ogg\" "
        "medium=\"audio\"/></media:group></item>"
        "<item><title>Unsaid</title><media:content url=\"http://x/c.mp3\"/></item>"
        "<item><title>Picture only</title><media:content url=\"http://x/d.png\" "
        "type=\"image/png\"/></item>"
        "<item><title>Both</title><enclosure url=\"http://x/e.mp3\"/>"
        "<media:content url=\"http://x/other.mp3\" medium=\"audio\"/></item>"
        "</channel></rss>";
    const struct {
        const char* what;
        std::string document;
        std::string channelTitle;
        std::vector<std::pair<std::string, std::string>> episodes; // title, url
    } cases[] = {
        {"Atom", atom, "Atom Show", {{"One", "http://x/1.mp3"}, {"Media", "http://x/3.m4a"}}},
        {"Media RSS",
         media,
         "S",
         {{"Direct", "http://x/a.mp3"},
          {"Grouped", "http://x/b.ogg"},
          {"Unsaid", "http://x/c.mp3"},
          {"Both", "http://x/e.mp3"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const FeedDocument feed = parseFeed(c.document, FeedParts::Everything);
        EXPECT_EQ(feed.channelTitle, c.channelTitle);
        ASSERT_EQ(feed.episodes.size(), c.episodes.size());
        for (std::size_t i = 0; i < c.episodes.size(); ++i) {
            EXPECT_EQ(feed.episodes[i].title, c.episodes[i].first);
            EXPECT_EQ(feed.episodes[i].url, c.episodes[i].second);
        }
    }
    EXPECT_EQ(parseFeed(atom, FeedParts::Everything).episodes[0].description, "First");
}
