// RSS documents in the encodings podcasts publish them in, read by the codec
// module: the declared or byte-order-marked encoding converted to UTF-8. (The
// items that make episodes are tested through the podcast source.)
#include "net/feed_document.h"

#include <gtest/gtest.h>

using audio::net::FeedDocument;
using audio::net::FeedParts;
using audio::net::parseFeed;

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
