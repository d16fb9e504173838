// The station and feed lists rewritten byte for byte: each line in the
// encoding it was read in, new names in UTF-8, the file's own line ends.
#include "browser/list_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

// Reads the list as the sources do (a bare URL is named by nameOf) and
// writes it back.
std::string Rewritten(const std::string& content, const QString& newName = {}) {
    testsupport::TempDir dir;
    const std::string path = dir.write("Netradio.txt", content);
    const QString file = QString::fromStdString(path);
    const browser::ListEntrySet entries =
        browser::ReadListEntries(file, [&](const QString&) { return newName; });
    EXPECT_TRUE(browser::WriteListFile(file, QStringList(entries.begin(), entries.end())));
    return testsupport::readFile(path);
}

TEST(ListFileBytes, EachLineKeepsItsEncodingAndTheFileItsLineEnds) {
    const std::string utf8 = "\xE3\x83\xA9\xE3\x82\xB8\xE3\x82\xAA,http://a/"; // ラジオ
    const std::string cp932 = "\x83\x89\x83\x57\x83\x49,http://b/";            // ラジオ
    const std::string latin1 = "Caf\xE9,http://c/";
    const std::string undecodable = "\x81\xFF\xFE,http://d/";
    const struct {
        const char* what;
        std::string content;
        QString newName;
        std::string written;
    } cases[] = {
        {"a UTF-8 line stays UTF-8 (LF)", utf8 + "\n", {}, utf8 + "\n"},
        {"a CP932 line stays CP932 (CR LF)", cp932 + "\r\n", {}, cp932 + "\r\n"},
        {"lines of three encodings sort and keep their bytes",
         utf8 + "\n" + latin1 + "\n" + cp932 + "\n",
         {},
         latin1 + "\n" + utf8 + "\n" + cp932 + "\n"},
        {"an undecodable line byte for byte", undecodable + "\r\n", {}, undecodable + "\r\n"},
        {"a name looked up for a bare URL is UTF-8, its URL as read", "http://e/\r\n",
         QString::fromUtf8("ラジオ"), "\xE3\x83\xA9\xE3\x82\xB8\xE3\x82\xAA,http://e/\r\n"},
        {"a bare CP932 line keeps its bytes after its new comma",
         "\x83\x89\x83\x57\x83\x49\n",
         {},
         ",\x83\x89\x83\x57\x83\x49\n"},
        {"a new name that starts with a byte order mark keeps it", "http://f/\n",
         QString(QChar(0xFEFF)) + "Mark", "\xEF\xBB\xBF\xEF\xBB\xBFMark,http://f/\n"},
        {"the last line without an end gets the file's",
         "b,http://b/\r\na,http://a/",
         {},
         "a,http://a/\r\nb,http://b/\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Rewritten(c.content, c.newName), c.written);
    }
}

TEST(ListFileBytes, ANewFileIsUtf8WithLineFeeds) {
    testsupport::TempDir dir;
    const QString file = QString::fromStdString(dir.file("Podcast.txt"));
    browser::ReadListFile(file);
    ASSERT_TRUE(browser::WriteListFile(
        file, {QString::fromUtf8("ラジオ,http://a/"), QString::fromUtf8("Café,http://b/")}));
    EXPECT_EQ(testsupport::readFile(file.toStdString()),
              "\xE3\x83\xA9\xE3\x82\xB8\xE3\x82\xAA,http://a/\nCaf\xC3\xA9,http://b/\n");
}

} // namespace
