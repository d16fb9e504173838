// Playlist files as other programs write them: encodings, line ends, white
// space and Windows paths.
#include "browser/playlist_lines.h"

#include <gtest/gtest.h>

#include <QStringEncoder>

namespace {

using browser::PlaylistItem;

QByteArray Utf16(const QString& text, bool littleEndian) {
    QStringEncoder encoder(littleEndian ? QStringEncoder::Utf16LE : QStringEncoder::Utf16BE);
    return QByteArray(littleEndian ? "\xFF\xFE" : "\xFE\xFF") + QByteArray(encoder.encode(text));
}

QStringList Texts(const std::vector<PlaylistItem>& items) {
    QStringList texts;
    for (const PlaylistItem& item : items)
        texts.append(item.text);
    return texts;
}

enum class Kind { M3u, M3u8, Pls };

std::vector<PlaylistItem> Read(Kind kind, const QByteArray& content) {
    switch (kind) {
    case Kind::M3u:
        return browser::ReadM3uItems(content);
    case Kind::M3u8:
        return browser::ReadM3u8Items(content);
    case Kind::Pls:
        return browser::ReadPlsItems(content);
    }
    return {};
}

TEST(PlaylistLines, EncodingsLineEndsAndWhiteSpace) {
    const QString jp = QString::fromUtf8("日本語.mp3");
    const QString pls = "[playlist]\r\nFile1=" + jp + "\r\nFile2=b.mp3\r\n";
    const struct {
        const char* what;
        Kind kind;
        QByteArray content;
        QStringList texts;
    } cases[] = {
        {"m3u8 with a CP932 line among UTF-8 ones",
         Kind::M3u8,
         "#EXTM3U\n\xE3\x81\x82.mp3\n\x83\x65\x83\x58\x83\x67.mp3\nlast.mp3\n",
         {"#EXTM3U", QString::fromUtf8("あ.mp3"), QString::fromUtf8("テスト.mp3"), "last.mp3"}},
        {"m3u8 with a Windows-1252 line",
         Kind::M3u8,
         "caf\xE9.mp3\r\nnext.mp3",
         {QString::fromUtf8("café.mp3"), "next.mp3"}},
        {"m3u in UTF-16LE", Kind::M3u, Utf16("a.mp3\r\n" + jp + "\r\n", true), {"a.mp3", jp}},
        {"m3u8 in UTF-16BE", Kind::M3u8, Utf16(jp + "\n", false), {jp}},
        {"pls in UTF-16LE", Kind::Pls, Utf16(pls, true), {jp, "b.mp3"}},
        {"CR line ends", Kind::M3u, "a.mp3\rb.mp3\r", {"a.mp3", "b.mp3"}},
        {"mixed line ends",
         Kind::M3u8,
         "a.mp3\r\nb.mp3\rc.mp3\nd.mp3",
         {"a.mp3", "b.mp3", "c.mp3", "d.mp3"}},
        {"white space around lines",
         Kind::M3u,
         "  a.mp3 \t\r\n\tb c.mp3  \n",
         {"a.mp3", "b c.mp3"}},
        {"a blank line stays a line", Kind::M3u8, "a.mp3\n\nb.mp3\n", {"a.mp3", "", "b.mp3"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Texts(Read(c.kind, c.content)), c.texts);
    }
}

// A line that is not UTF-8 keeps its bytes, so a file named by them is found.
TEST(PlaylistLines, AnUndecodableM3u8LineKeepsItsBytes) {
    const auto items = browser::ReadM3u8Items("a\xE9.mp3\n");
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].bytes, QByteArray("a\xE9.mp3"));
}

TEST(PlaylistLines, WindowsPathsAreTriedWithSlashes) {
    const struct {
        const char* what;
        QByteArray line;
        QStringList candidates;
    } cases[] = {
        {"a relative path",
         "Album\\01 - Intro.flac",
         {"Album\\01 - Intro.flac", "Album/01 - Intro.flac"}},
        {"a parent folder", "..\\Other\\b.mp3", {"..\\Other\\b.mp3", "../Other/b.mp3"}},
        {"rooted at a drive's top stays as written", "\\Music\\a.mp3", {"\\Music\\a.mp3"}},
        {"slashes already", "Album/a.mp3", {"Album/a.mp3"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto items = browser::ReadM3uItems(c.line);
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(browser::FileCandidates(items[0]), c.candidates);
    }
}

} // namespace
