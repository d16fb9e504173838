// Playlist files: M3U in the ANSI code page, M3U8 in UTF-8, and PLS.
#include "browser_fixture.h"

#include "platform/file_name.h"
#include "settings/ini_file.h"
#include "support/servers/loopback.h"
#include "support/servers/test_http_server.h"

#include <QLoggingCategory>

class PlaylistTest : public BrowserTest {
protected:
    // Writes a playlist into the test folder and loads it from there, by its
    // extension as M3U or M3U8.
    void load(const std::string& name, const std::string& content) {
        dir.write(name, content);
        view.setCurrentFolder(folder());
        const QString file = QString::fromStdString(name);
        if (file.endsWith(".m3u8"))
            view.LoadM3u8(file);
        else
            view.LoadM3u(file);
        settle();
    }
};

TEST_F(PlaylistTest, ExtendedM3uLinesNameNothingAndGiveNoRow) {
    dir.write("a.mp3", "x");
    title.setText("busy");
    load("list.m3u", "#EXTM3U\n#EXTINF:123,Artist - Title\na.mp3\n");
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_EQ(list.GetLocation(0), folder() + "a.mp3");
    EXPECT_EQ(list.GetName(0), "a.mp3");
    EXPECT_EQ(title.text(), "");
    EXPECT_EQ(list.GetCurrentRow(), 0);
    EXPECT_EQ(frame.filled, 1);
}

TEST_F(PlaylistTest, RelativeAbsoluteMissingAndDuplicateLines) {
    dir.write("sub/a.mp3", "x");
    dir.write("b.flac", "x");
    const std::string absolute = dir.file("b.flac");
    load("list.m3u",
         "sub/a.mp3\r\n" + absolute + "\r\n/nonexistent/c.mp3\r\nsub/a.mp3\r\n\r\nsub\r\nsub/");
    ASSERT_EQ(list.RowCount(), 3);
    EXPECT_EQ(list.GetLocation(0), folder() + "sub/a.mp3");
    EXPECT_EQ(list.GetName(0), "a.mp3");
    EXPECT_EQ(list.GetLocation(1), QString::fromStdString(absolute));
    EXPECT_EQ(list.GetName(1), "b.flac");
    EXPECT_EQ(list.GetLocation(2), folder() + "sub/a.mp3"); // duplicates stay
}

TEST_F(PlaylistTest, CrLfAndLfGiveTheSameRowsAndTheLastLineNeedsNoEnd) {
    dir.write("a.mp3", "x");
    dir.write("b.mp3", "x");
    load("crlf.m3u", "a.mp3\r\nb.mp3");
    const QStringList fromCrLf = rowNames();
    load("lf.m3u8", "a.mp3\nb.mp3\n");
    EXPECT_EQ(rowNames(), fromCrLf);
    EXPECT_EQ(fromCrLf, (QStringList{"a.mp3", "b.mp3"}));
}

TEST_F(PlaylistTest, M3uReadsCp932AndUtf8Names) {
    dir.write("曲.mp3", "x");
    dir.write("ソング.mp3", "x");
    const QByteArray cp932 = QByteArray("\x8b\xc8.mp3\n", 7); // 曲 in CP932
    load("list.m3u", cp932.toStdString() + "ソング.mp3\n");
    EXPECT_EQ(rowNames(), (QStringList{"曲.mp3", "ソング.mp3"}));
}

TEST_F(PlaylistTest, M3u8SkipsItsByteOrderMarkAndReadsPastAnInvalidLine) {
    dir.write("a.mp3", "x");
    dir.write("b.mp3", "x");
    load("bom.m3u8", "\xEF\xBB\xBF"
                     "a.mp3\nb.mp3\n");
    EXPECT_EQ(rowNames(), (QStringList{"a.mp3", "b.mp3"}));
    dir.write("caf\xC3\xA9.mp3", "x");
    load("broken.m3u8", "a.mp3\ncaf\xE9.mp3\nb.mp3\n");
    // The Latin-1 line is read by the 8-bit rule; the lines after it still load.
    EXPECT_EQ(rowNames(), (QStringList{"a.mp3", "café.mp3", "b.mp3"}));
}

// Every playlist made on Windows: backslashes, CR LF, a UTF-16 file.
TEST_F(PlaylistTest, WindowsPathsAndUtf16FilesGiveTheirRows) {
    dir.write("Album/01 - Intro.flac", "x");
    load("win.m3u", "  Album\\01 - Intro.flac \r\n");
    EXPECT_EQ(rowNames(), (QStringList{"01 - Intro.flac"}));
    load("unicode.m3u", std::string("\xFF\xFE"
                                    "A\0l\0b\0u\0m\0\\\0"
                                    "0\0"
                                    "1\0 \0-\0 \0I\0n\0t\0r\0o\0.\0f\0l\0a\0c\0",
                                    44));
    EXPECT_EQ(rowNames(), (QStringList{"01 - Intro.flac"}));
}

TEST_F(PlaylistTest, AnEmptyOrMissingPlaylistStillSendsTheFilledMessage) {
    list.AppendRow("/old.mp3", "old");
    title.setText("x");
    load("empty.m3u", "");
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(frame.filled, 1);
    view.LoadM3u8("missing.m3u8");
    settle();
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(frame.filled, 2);
    EXPECT_EQ(title.text(), "");
}

TEST_F(PlaylistTest, AUrlLineNamedByNobodyKeepsItsRow) {
    const QString url =
        QStringLiteral("http://127.0.0.1:%1/stream").arg(testsupport::freeLoopbackPort());
    load("radio.m3u", url.toStdString() + "\n");
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_EQ(list.GetLocation(0), url);
    EXPECT_EQ(list.GetName(0), "");
    EXPECT_EQ(title.text(), "");
}

TEST_F(PlaylistTest, ChoosingAPlaylistEntryKeepsTheListsAndWritesLastPath) {
    dir.write("a.mp3", "x");
    dir.write("list.m3u8", "a.mp3\na.mp3\n");
    view.setCurrentFolder(folder());
    view.ListFolder();
    settle();
    const QStringList sources = sourceTexts();
    const int index = entryIndex("list.m3u8");
    ASSERT_GE(index, 0);
    view.OnEntryChanged(index);
    settle();
    EXPECT_EQ(list.RowCount(), 2);
    EXPECT_EQ(sourceTexts(), sources);
    EXPECT_EQ(entryTexts(), QStringList{"list.m3u8"});
    EXPECT_EQ(settings::IniFile(QString::fromStdString(dir.file("quaverly.ini")))
                  .ReadString("_LastPath", ""),
              folder() + "list.m3u8");
}

// A line's bytes name the file when a file of that name exists, so names
// that are not UTF-8 keep their bytes; the row shows them readably.
TEST_F(BrowserTest, M3uLinesThatAreNotUtf8NameTheFilesOfTheirBytes) {
    for (const char* name : {"caf\xE9.mp3", "b\xFF\xFE.mp3", "\x83\x65\x83\x58\x83\x67.mp3"})
        dir.write(name, "x");
    dir.write("list.m3u", "caf\xE9.mp3\r\nb\xFF\xFE.mp3\r\n" +
                              dir.file("\x83\x65\x83\x58\x83\x67.mp3") + "\r\n");
    view.setCurrentFolder(folder());
    view.LoadM3u("list.m3u");
    settle();
    EXPECT_EQ(rowNames(), (QStringList{"café.mp3", "bÿþ.mp3", "テスト.mp3"}));
    std::vector<std::string> located;
    for (int row = 0; row < list.RowCount(); ++row)
        located.push_back(platform::encodeFileName(list.GetLocation(row)).toStdString());
    EXPECT_EQ(located, (std::vector<std::string>{dir.file("caf\xE9.mp3"), dir.file("b\xFF\xFE.mp3"),
                                                 dir.file("\x83\x65\x83\x58\x83\x67.mp3")}));
}

TEST_F(BrowserTest, FileUrlLinesNameTheLocalPath) {
    dir.write("a b.mp3", "x");
    dir.write("caf\xE9.mp3", "x");
    const std::string base = dir.path();
    const struct {
        std::string line;
        QString row; // empty: no row
    } cases[] = {
        {"file://" + base + "/a%20b.mp3", "a b.mp3"},
        {"file://localhost" + base + "/caf%E9.mp3", "café.mp3"},
        {"file:" + base + "/a%20b.mp3", "a b.mp3"},
        {"FILE://" + base + "/a%20b.mp3", "a b.mp3"},
        {"file://" + base + "/missing.mp3", ""},
        {"file://music-server" + base + "/a%20b.mp3", ""},
    };
    for (const char* playlist : {"urls.m3u", "urls.m3u8"}) {
        for (const auto& c : cases) {
            dir.write(playlist, c.line + "\n");
            view.setCurrentFolder(folder());
            view.LoadPlaylistFile(playlist);
            settle();
            EXPECT_EQ(rowNames(), c.row.isEmpty() ? QStringList() : QStringList{c.row})
                << playlist << " " << c.line;
        }
    }
    EXPECT_EQ(list.FindRowByLocation(folder() + "a b.mp3"), -1) << "the last case gave no row";
}

// Radio directories hand out .pls: File and Title entries by number; a Title
// names the row without asking the station.
TEST_F(BrowserTest, PlsEntriesLoadInTheOrderOfTheirNumbersNamedByTheirTitles) {
    testsupport::TestHttpServer server;
    dir.write("sub/a.mp3", "x");
    dir.write("b.mp3", "x");
    const std::string station = server.url("/station");
    const QString unnamed =
        QStringLiteral("http://127.0.0.1:%1/unnamed").arg(testsupport::freeLoopbackPort());
    dir.write("radio.pls", "[playlist]\r\n"
                           "File2=" +
                               station +
                               "\r\n"
                               "Title2=Radio Fran\xE7"
                               "aise\r\n"
                               "file1 = sub/a.mp3\r\n"
                               "title1=Intro\r\n"
                               "File3=/nonexistent/c.mp3\r\n"
                               "File4=" +
                               unnamed.toStdString() +
                               "\r\n"
                               "File10=b.mp3\r\n"
                               "NumberOfEntries=5\r\nVersion=2\r\n");
    view.setCurrentFolder(folder());
    view.LoadPls("radio.pls");
    settle();
    QStringList rows;
    for (int row = 0; row < list.RowCount(); ++row)
        rows.append(list.GetName(row) + "|" + list.GetLocation(row));
    EXPECT_EQ(rows, (QStringList{"Intro|" + folder() + "sub/a.mp3",
                                 "Radio Française|" + QString::fromStdString(station),
                                 "|" + unnamed, "b.mp3|" + folder() + "b.mp3"}));
    EXPECT_TRUE(server.requests().empty()) << "a titled station is not probed";
    EXPECT_EQ(frame.filled, 1);
}

TEST_F(BrowserTest, AFolderOrPlaylistThatCannotBeReadLogsItsCause) {
    static QStringList messages;
    messages.clear();
    QLoggingCategory::setFilterRules(QStringLiteral("quaverly.*=true"));
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { messages.append(text); });
    view.setCurrentFolder(folder() + "missing/");
    view.FillTracksFromFolder();
    settle();
    view.setCurrentFolder(folder());
    view.LoadM3u("missing.m3u");
    settle();
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].contains(folder() + "missing/") &&
                messages[0].contains("No such file or directory"))
        << messages[0].toStdString();
    EXPECT_TRUE(messages[1].contains(folder() + "missing.m3u") &&
                messages[1].contains("No such file or directory"))
        << messages[1].toStdString();
}
