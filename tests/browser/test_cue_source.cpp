// Cue sheets in the browser: listed as playlists, and one row per track,
// located at the image with the track's number and carrying its part.
#include "browser_fixture.h"

#include "browser/cue_rows.h"
#include "support/fixtures.h"
#include "tracklist/track_section.h"

#include <QStringEncoder>

class CueSourceTest : public BrowserTest {
protected:
    void load(const std::string& name, const std::string& content) {
        dir.write(name, content);
        view.setCurrentFolder(folder());
        view.LoadPlaylistFile(QString::fromStdString(name));
        settle();
    }
    // Each row's section as "file|start|end".
    QStringList sections() const {
        QStringList parts;
        for (int row = 0; row < list.RowCount(); ++row) {
            const auto section = list.GetSection(row);
            parts.append(section ? QStringLiteral("%1|%2|%3")
                                       .arg(section->file)
                                       .arg(section->start)
                                       .arg(section->end)
                                 : QStringLiteral("none"));
        }
        return parts;
    }
};

TEST_F(CueSourceTest, CueSheetsAreListedBesideThePlaylists) {
    for (const char* name : {"a.m3u", "CDImage.cue", "CDImage.flac", "b.pls", "notes.txt"})
        dir.write(name, "x");
    view.setCurrentFolder(folder());
    view.ListFolder();
    settle();
    EXPECT_EQ(entryTexts(), (QStringList{"a.m3u", "b.pls", "CDImage.cue"}));
    EXPECT_EQ(rowNames(), QStringList{"CDImage.flac"});
}

TEST_F(CueSourceTest, EachTrackIsARowAtItsImage) {
    dir.write("CDImage.flac", "x");
    QStringEncoder cp932("Shift_JIS");
    const QByteArray title = cp932.encode(QString::fromUtf8("夜明け"));
    load("CDImage.cue", "PERFORMER \"Band\"\r\nTITLE \"Album\"\r\nFILE \"CDImage.flac\" "
                        "WAVE\r\n  TRACK 01 AUDIO\r\n    TITLE \"" +
                            title.toStdString() +
                            "\"\r\n    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n    PERFORMER "
                            "\"Guest\"\r\n    INDEX 01 01:00:00\r\n");
    const QString image = folder() + "CDImage.flac";
    EXPECT_EQ(Rows(list), (QStringList{QString::fromUtf8("夜明け|") + image + "#track=1",
                                       "Guest - Track 02|" + image + "#track=2"}));
    EXPECT_EQ(sections(), (QStringList{image + "|0|4500", image + "|4500|-1"}));
    EXPECT_EQ(list.GetSection(1)->album, "Album");
    EXPECT_EQ(list.GetSection(0)->performer, "Band");
    EXPECT_EQ(frame.filled, 1);
    EXPECT_EQ(list.FindRowByLocation(image + "#track=2"), 1);
}

TEST_F(CueSourceTest, TheImageIsFoundAsWindowsRippersNameIt) {
    dir.write("CDImage.flac", "x");
    dir.write("Disc 2/Image.ape", "x");
    dir.write("sub/One.wv", "x");
    const struct {
        const char* what;
        std::string file;
        QString image;
    } cases[] = {
        {"the named file", "CDImage.flac", folder() + "CDImage.flac"},
        {"a sheet written for the .wav beside a .flac", "CDImage.wav", folder() + "CDImage.flac"},
        {"backslashes and a monkey's audio image", "Disc 2\\Image.wav",
         folder() + "Disc 2/Image.ape"},
        {"an absolute path", dir.file("sub/One.wv"), folder() + "sub/One.wv"},
        {"a missing image keeps its name", "Gone.wav", folder() + "Gone.wav"},
    };
    for (const auto& c : cases) {
        load("a.cue", "FILE \"" + c.file + "\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
        EXPECT_EQ(Rows(list), QStringList{"Track 01|" + c.image + "#track=1"}) << c.what;
    }
}

TEST_F(CueSourceTest, SeveralFilesGiveRowsInEach) {
    dir.write("01 - Intro.flac", "x");
    dir.write("02 - Song.flac", "x");
    load("split.cue", "FILE \"01 - Intro.flac\" WAVE\nTRACK 01 AUDIO\nTITLE \"Intro\"\nINDEX 01 "
                      "00:00:00\nTRACK 02 AUDIO\nTITLE \"Song\"\nINDEX 00 01:58:00\nFILE \"02 - "
                      "Song.flac\" WAVE\nINDEX 01 00:00:00\n");
    EXPECT_EQ(Rows(list), (QStringList{"Intro|" + folder() + "01 - Intro.flac#track=1",
                                       "Song|" + folder() + "02 - Song.flac#track=2"}));
    EXPECT_EQ(sections(),
              (QStringList{folder() + "01 - Intro.flac|0|-1", folder() + "02 - Song.flac|0|-1"}));
}

// An image carrying its sheet (a CUESHEET comment, as foobar2000 writes it)
// gets an entry of its own; its row and the other files stay as they were.
TEST_F(CueSourceTest, AnImageWithAnEmbeddedSheetIsAlsoAPlaylistEntry) {
    ASSERT_EQ(testsupport::makeToneWithCueSheet(
                  dir.file("CDImage.flac"),
                  "TITLE \"Album\"\nFILE \"Rip.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"One\"\nINDEX 01 "
                  "00:00:00\nTRACK 02 AUDIO\nTITLE \"Two\"\nINDEX 01 00:01:00\n"),
              "");
    ASSERT_EQ(testsupport::makeToneWithCueSheet(dir.file("Single.flac"), ""), "");
    dir.write("list.m3u", "Single.flac\n");
    view.setCurrentFolder(folder());
    view.ListFolder();
    settle();
    EXPECT_EQ(entryTexts(), (QStringList{"CDImage.flac#cue", "list.m3u"}));
    EXPECT_EQ(rowNames(), (QStringList{"CDImage.flac", "Single.flac"}));

    view.OnEntryChanged(0);
    settle();
    const QString image = folder() + "CDImage.flac";
    EXPECT_EQ(Rows(list), (QStringList{"One|" + image + "#track=1", "Two|" + image + "#track=2"}));
    EXPECT_EQ(sections(), (QStringList{image + "|0|75", image + "|75|-1"}));
}
