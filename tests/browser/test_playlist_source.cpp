// Playlist files: M3U in the ANSI code page, M3U8 in UTF-8.
#include "browser_fixture.h"

#include "settings/ini_file.h"

#include <QTcpServer>

namespace {

// A port on 127.0.0.1 that refuses connections: bound once, then closed.
quint16 DeadPort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

} // namespace

TEST_F(BrowserTest, ExtendedM3uLinesNameNothingAndGiveNoRow) {
    dir.write("a.mp3", "x");
    dir.write("list.m3u", "#EXTM3U\n#EXTINF:123,Artist - Title\na.mp3\n");
    title.setText("busy");
    view.setCurrentFolder(folder());
    view.LoadM3u("list.m3u");
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_EQ(list.GetLocation(0), folder() + "a.mp3");
    EXPECT_EQ(list.GetName(0), "a.mp3");
    EXPECT_EQ(title.text(), "");
    EXPECT_EQ(list.GetCurrentRow(), 0);
    EXPECT_EQ(frame.filled, 1);
}

TEST_F(BrowserTest, RelativeAbsoluteMissingAndDuplicateLines) {
    dir.write("sub/a.mp3", "x");
    dir.write("b.flac", "x");
    const std::string absolute = dir.file("b.flac");
    dir.write("list.m3u", "sub/a.mp3\r\n" + absolute +
                              "\r\n/nonexistent/c.mp3\r\nsub/a.mp3\r\n\r\nsub\r\nsub/");
    view.setCurrentFolder(folder());
    view.LoadM3u("list.m3u");
    ASSERT_EQ(list.RowCount(), 3);
    EXPECT_EQ(list.GetLocation(0), folder() + "sub/a.mp3");
    EXPECT_EQ(list.GetName(0), "a.mp3");
    EXPECT_EQ(list.GetLocation(1), QString::fromStdString(absolute));
    EXPECT_EQ(list.GetName(1), "b.flac");
    EXPECT_EQ(list.GetLocation(2), folder() + "sub/a.mp3"); // duplicates stay
}

TEST_F(BrowserTest, CrLfAndLfGiveTheSameRowsAndTheLastLineNeedsNoEnd) {
    dir.write("a.mp3", "x");
    dir.write("b.mp3", "x");
    dir.write("crlf.m3u", "a.mp3\r\nb.mp3");
    dir.write("lf.m3u8", "a.mp3\nb.mp3\n");
    view.setCurrentFolder(folder());
    view.LoadM3u("crlf.m3u");
    const QStringList fromCrLf = rowNames();
    view.LoadM3u8("lf.m3u8");
    EXPECT_EQ(rowNames(), fromCrLf);
    EXPECT_EQ(fromCrLf, (QStringList{"a.mp3", "b.mp3"}));
}

TEST_F(BrowserTest, M3uReadsCp932AndUtf8Names) {
    dir.write("曲.mp3", "x");
    dir.write("ソング.mp3", "x");
    const QByteArray cp932 = QByteArray("\x8b\xc8.mp3\n", 7); // 曲 in CP932
    dir.write("list.m3u", cp932.toStdString() + "ソング.mp3\n");
    view.setCurrentFolder(folder());
    view.LoadM3u("list.m3u");
    EXPECT_EQ(rowNames(), (QStringList{"曲.mp3", "ソング.mp3"}));
}

TEST_F(BrowserTest, M3u8SkipsItsByteOrderMarkAndStopsAtAnInvalidSequence) {
    dir.write("a.mp3", "x");
    dir.write("b.mp3", "x");
    dir.write("bom.m3u8", "\xEF\xBB\xBF"
                          "a.mp3\nb.mp3\n");
    view.setCurrentFolder(folder());
    view.LoadM3u8("bom.m3u8");
    EXPECT_EQ(rowNames(), (QStringList{"a.mp3", "b.mp3"}));
    dir.write("broken.m3u8", "a.mp3\nb.mp3\xFF\xFE\na.mp3\n");
    view.LoadM3u8("broken.m3u8");
    // "b.mp3" before the invalid bytes is the last line read.
    EXPECT_EQ(rowNames(), (QStringList{"a.mp3", "b.mp3"}));
}

TEST_F(BrowserTest, AnEmptyOrMissingPlaylistStillSendsTheFilledMessage) {
    dir.write("empty.m3u", "");
    list.AppendRow("/old.mp3", "old");
    title.setText("x");
    view.setCurrentFolder(folder());
    view.LoadM3u("empty.m3u");
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(frame.filled, 1);
    view.LoadM3u8("missing.m3u8");
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(frame.filled, 2);
    EXPECT_EQ(title.text(), "");
}

TEST_F(BrowserTest, AUrlLineNamedByNobodyKeepsItsRow) {
    const QString url = QStringLiteral("http://127.0.0.1:%1/stream").arg(DeadPort());
    dir.write("radio.m3u", url.toStdString() + "\n");
    view.setCurrentFolder(folder());
    view.LoadM3u("radio.m3u");
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_EQ(list.GetLocation(0), url);
    EXPECT_EQ(list.GetName(0), "");
    EXPECT_EQ(title.text(), "");
}

TEST_F(BrowserTest, ChoosingAPlaylistEntryKeepsTheListsAndWritesLastPath) {
    dir.write("a.mp3", "x");
    dir.write("list.m3u8", "a.mp3\na.mp3\n");
    view.setCurrentFolder(folder());
    view.ListFolderEntries();
    const QStringList sources = sourceTexts();
    const int index = entryIndex("list.m3u8");
    ASSERT_GE(index, 0);
    view.OnEntryChanged(index);
    EXPECT_EQ(list.RowCount(), 2);
    EXPECT_EQ(sourceTexts(), sources);
    EXPECT_EQ(entryTexts(), QStringList{"list.m3u8"});
    EXPECT_EQ(settings::IniFile(QString::fromStdString(dir.file("quaverly.ini")))
                  .ReadString("_LastPath", ""),
              folder() + "list.m3u8");
}
