// What desktop media widgets learn of a file: its title, artist, album and
// track number from the tags (the file's name where there is no title), and
// its cover picture, written once to the user's cache folder.
#include "mpris_fixture.h"

#include "app/cover_art.h"
#include "support/process_runner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <sys/stat.h>

namespace {

struct TagCase {
    const char* fixture;
    const char* rowName;
    const char* title;
    const char* artist;
    const char* album;
    int trackNumber;
};

struct CoverCase {
    const char* name;
    QStringList encoding; // ffmpeg options for the audio and the picture
};

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST_F(MprisTest, MetadataComesFromTheTagsOrTheFileName) {
    const TagCase cases[] = {
        {"tone_1k_20s.mp3", "01 - Intro.mp3", "Title", "Artist", "Album", 3},
        {"tone_1k_3s_title_only.mp3", "2 - b.mp3", "Title", "", "", 0},
        {"tone_1k_3s_japanese.mp3", "10 - a.mp3", "日本語のタイトル", "アーティスト", "アルバム",
         0},
        {"silence_10s.wav", "03 - Untitled.wav", "03 - Untitled", "", "", 0},
        {"tone_1k_3s_notags.ogg", "Live at 8.30.ogg", "Live at 8.30", "", "", 0},
        // Names that are not UTF-8 read as the list shows them.
        {"silence_10s.wav", "caf\xE9.wav", "café", "", "", 0},
        {"silence_10s.wav", "\x93\xFA\x96\x7B\x8C\xEA.wav", "日本語", "", "", 0}, // CP932
        {"silence_10s.wav", " Episode One .wav", "Episode One", "", "", 0},
    };
    startPlayer(0);
    for (const TagCase& c : cases) {
        SCOPED_TRACE(c.rowName);
        const std::string path = dir.file(c.rowName);
        std::filesystem::copy_file(testsupport::fixture(c.fixture), path);
        frame->trackList()->ClearRows();
        frame->trackList()->AppendRow(rowPath(c.rowName),
                                      platform::readableFileName(rowPath(c.rowName)));
        playRow(0);
        const QVariantMap meta = metadata();
        EXPECT_EQ(meta.value("xesam:title").toString(), QString::fromUtf8(c.title));
        EXPECT_EQ(meta.value("xesam:artist").toStringList().join('|'), QString::fromUtf8(c.artist));
        EXPECT_EQ(meta.value("xesam:album").toString(), QString::fromUtf8(c.album));
        EXPECT_EQ(meta.value("xesam:trackNumber").toInt(), c.trackNumber);
        EXPECT_EQ(meta.contains("xesam:trackNumber"), c.trackNumber != 0);
        EXPECT_FALSE(meta.contains("mpris:artUrl")) << "none of these has a picture";
    }
}

TEST_F(MprisTest, TheCoverPictureIsWrittenOnceToTheCacheFolder) {
    const testsupport::TempDir cache;
    setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
    const QString cover = QString::fromStdString(dir.file("cover.png"));
    const auto made =
        testsupport::runProgram("ffmpeg",
                                {"-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
                                 "color=c=teal:s=64x64", "-frames:v", "1", cover},
                                60000);
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    const CoverCase cases[] = {
        {"01 - Intro.mp3", {"-c:a", "libmp3lame", "-id3v2_version", "3"}},
        {"02 - Verse.flac", {"-c:a", "flac"}},
        {"03 - Outro.m4a", {"-c:a", "aac"}},
    };
    startPlayer(0);
    ino_t firstFile = 0;
    for (const CoverCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = QString::fromStdString(dir.file(c.name));
        const auto encoded = testsupport::runProgram(
            "ffmpeg",
            QStringList{"-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
                        "sine=frequency=440:duration=3", "-i", cover, "-map", "0:a", "-map", "1:v",
                        "-c:v", "copy", "-disposition:v", "attached_pic"} +
                c.encoding + QStringList{path},
            60000);
        ASSERT_EQ(encoded.exitCode, 0) << encoded.err.toStdString();
        frame->trackList()->ClearRows();
        frame->trackList()->AppendRow(path, c.name);
        playRow(0);
        // The cover is read meanwhile; its arrival is announced.
        ASSERT_TRUE(QTest::qWaitFor([&] { return metadata().contains("mpris:artUrl"); }, 20000));
        const QString artUrl = metadata().value("mpris:artUrl").toString();
        const QString stored = QUrl(artUrl).toLocalFile();
        EXPECT_TRUE(artUrl.startsWith("file://")) << artUrl.toStdString();
        EXPECT_EQ(QFileInfo(stored).path(), app::CoverCacheFolder());
        EXPECT_TRUE(stored.startsWith(QString::fromStdString(cache.path())));
        EXPECT_EQ(ReadAll(stored), ReadAll(cover));
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(stored).constData(), &info), 0);
        if (firstFile == 0)
            firstFile = info.st_ino;
        EXPECT_EQ(info.st_ino, firstFile) << "the picture already stored is not written again";
    }
    const QStringList files = QDir(app::CoverCacheFolder()).entryList(QDir::Files);
    EXPECT_EQ(files.size(), 1) << "one picture, one file: " << files.join(' ').toStdString();
    unsetenv("XDG_CACHE_HOME");
}

// A track of a cue sheet's image: the sheet's titles, the track's length and
// the image's URL with the track as its fragment.
TEST_F(MprisTest, ATrackOfACueSheetIsDescribedByTheSheet) {
    startPlayer(0);
    const std::string image = dir.file("CDImage.wav");
    std::filesystem::copy_file(testsupport::fixture("tone_1k_3s.wav"), image);
    auto section = std::make_shared<tracklist::TrackSection>();
    section->file = QString::fromStdString(image);
    section->start = 75;
    section->end = 150;
    section->number = 2;
    section->title = QString::fromUtf8("夜明け");
    section->performer = "Band";
    section->album = "Album";
    frame->trackList()->ClearRows();
    frame->trackList()->AppendRow(tracklist::SectionLocation(section->file, 2), "row", section);
    playRow(0);
    const QVariantMap meta = metadata();
    EXPECT_EQ(meta.value("xesam:title").toString(), QString::fromUtf8("夜明け"));
    EXPECT_EQ(meta.value("xesam:artist").toStringList(), QStringList{"Band"});
    EXPECT_EQ(meta.value("xesam:album").toString(), "Album");
    EXPECT_EQ(meta.value("xesam:trackNumber").toInt(), 2);
    EXPECT_EQ(meta.value("mpris:length").toLongLong(), 1000000);
    EXPECT_EQ(meta.value("xesam:url").toString(),
              QUrl::fromLocalFile(QString::fromStdString(image)).toString() + "#track=2");
}
