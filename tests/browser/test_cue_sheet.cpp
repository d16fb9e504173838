// Cue sheets as rippers write them: EAC, XLD, foobar2000, one file per
// track, CP932 titles, pregaps, damaged lines.
#include "browser/cue_sheet.h"

#include <gtest/gtest.h>

#include <QStringEncoder>
#include <QStringList>

namespace {

// Each track as "number|file|start|end|row name".
QStringList Tracks(const browser::CueSheet& sheet) {
    QStringList tracks;
    for (const browser::CueTrack& track : sheet.tracks)
        tracks.append(QStringLiteral("%1|%2|%3|%4|%5")
                          .arg(track.number)
                          .arg(track.file)
                          .arg(track.start)
                          .arg(track.end)
                          .arg(browser::CueRowName(sheet, track)));
    return tracks;
}

QByteArray Cp932(const QString& text) {
    QStringEncoder encoder("Shift_JIS");
    return encoder.encode(text);
}

const QByteArray kEac = "REM GENRE Rock\r\n"
                        "REM DATE 1994\r\n"
                        "REM DISCID 8A0B2C0D\r\n"
                        "REM COMMENT \"ExactAudioCopy v1.6\"\r\n"
                        "PERFORMER \"The Band\"\r\n"
                        "TITLE \"Live Album\"\r\n"
                        "FILE \"CDImage.wav\" WAVE\r\n"
                        "  TRACK 01 AUDIO\r\n"
                        "    TITLE \"Intro\"\r\n"
                        "    PERFORMER \"The Band\"\r\n"
                        "    INDEX 01 00:00:00\r\n"
                        "  TRACK 02 AUDIO\r\n"
                        "    TITLE \"Song\"\r\n"
                        "    PERFORMER \"Guest Singer\"\r\n"
                        "    INDEX 00 03:58:40\r\n"
                        "    INDEX 01 04:00:00\r\n"
                        "  TRACK 03 AUDIO\r\n"
                        "    INDEX 01 08:30:74\r\n";

// XLD writes one FILE per track when asked to split, with the pregap of the
// next track at the end of the file before.
const QByteArray kSplitFiles = "TITLE \"Split\"\n"
                               "FILE \"01 - Intro.flac\" WAVE\n"
                               "  TRACK 01 AUDIO\n"
                               "    TITLE \"Intro\"\n"
                               "    INDEX 01 00:00:00\n"
                               "  TRACK 02 AUDIO\n"
                               "    TITLE \"Two\"\n"
                               "    INDEX 00 02:10:00\n"
                               "FILE \"02 - Two.flac\" WAVE\n"
                               "    INDEX 01 00:00:00\n"
                               "  TRACK 03 AUDIO\n"
                               "    INDEX 01 03:00:00\n";

TEST(CueSheet, TracksOfRealSheets) {
    const QString jpTitle = QString::fromUtf8("夜明けの歌");
    const QString jpAlbum = QString::fromUtf8("アルバム");
    const struct {
        const char* what;
        QByteArray content;
        QStringList tracks;
    } cases[] = {
        {"EAC, CRLF, REM lines, a pregap, a guest performer, a track without title",
         kEac,
         {"1|CDImage.wav|0|18000|Intro", "2|CDImage.wav|18000|38324|Guest Singer - Song",
          "3|CDImage.wav|38324|-1|Track 03"}},
        {"one file per track, the pregap in the file before",
         kSplitFiles,
         {"1|01 - Intro.flac|0|-1|Intro", "2|02 - Two.flac|0|13500|Two",
          "3|02 - Two.flac|13500|-1|Track 03"}},
        {"CP932 titles from a Japanese ripper",
         "PERFORMER \"" + Cp932(QString::fromUtf8("歌手")) + "\"\r\nTITLE \"" + Cp932(jpAlbum) +
             "\"\r\nFILE \"" + Cp932(QString::fromUtf8("イメージ.flac")) +
             "\" WAVE\r\n  TRACK 01 AUDIO\r\n    TITLE \"" + Cp932(jpTitle) +
             "\"\r\n    INDEX 01 00:00:00\r\n",
         {"1|" + QString::fromUtf8("イメージ.flac") + "|0|-1|" + jpTitle}},
        {"UTF-8 with a byte order mark, LF, tabs, lower-case keywords",
         "\xEF\xBB\xBF"
         "file \"a.flac\" wave\n\ttrack 01 audio\n\t\ttitle \"" +
             jpTitle.toUtf8() + "\"\n\t\tindex 01 00:01:00\n",
         {"1|a.flac|75|-1|" + jpTitle}},
        {"foobar2000: unquoted names and values, REM lines inside tracks",
         "REM DATE 2001\nFILE CD Image.flac WAVE\nTRACK 1 AUDIO\nREM REPLAYGAIN_TRACK_GAIN "
         "-7.2 dB\nTITLE Plain words\nINDEX 01 0:00:00\nTRACK 2 AUDIO\nINDEX 01 100:00:00\n",
         {"1|CD Image.flac|0|450000|Plain words", "2|CD Image.flac|450000|-1|Track 02"}},
        {"a data track ends the audio before it and gives no row",
         "FILE \"e.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 MODE1/2352\nINDEX "
         "01 10:00:00\n",
         {"1|e.bin|0|45000|Track 01"}},
        {"damaged lines are skipped: bad times, a bad TRACK, a track without INDEX 01",
         "FILE \"d.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK xx AUDIO\nTITLE "
         "\"lost\"\nINDEX 01 01:00:00\nTRACK 03 AUDIO\nINDEX 01 02:61:00\nINDEX 01 02:00:75\nTRACK "
         "04 AUDIO\nINDEX 01 03:00:00\nINDEX\nTITLE \"unclosed\nGARBAGE \"\"\"\n\x01\x02\n",
         {"1|d.wav|0|13500|Track 01", "4|d.wav|13500|-1|unclosed"}},
        {"a track that starts before the one before it, a repeated number",
         "FILE \"r.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 01:00:00\nTRACK 02 AUDIO\nINDEX 01 "
         "00:30:00\nTRACK 01 AUDIO\nINDEX 01 02:00:00\nTRACK 03 AUDIO\nINDEX 01 03:00:00\n",
         {"1|r.wav|4500|13500|Track 01", "3|r.wav|13500|-1|Track 03"}},
        {"INDEX before any TRACK, an empty sheet", "INDEX 01 00:00:00\n", {}},
        {"nothing", "", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Tracks(browser::ReadCueSheet(c.content)), c.tracks) << c.what;
}

TEST(CueSheet, AlbumFields) {
    const browser::CueSheet sheet = browser::ReadCueSheet(kEac);
    EXPECT_EQ(sheet.title, "Live Album");
    EXPECT_EQ(sheet.performer, "The Band");
    EXPECT_EQ(sheet.date, "1994");
    ASSERT_EQ(sheet.tracks.size(), 3u);
    EXPECT_EQ(sheet.tracks[1].performer, "Guest Singer");
}

TEST(CueSheet, TrackCountIsBounded) {
    QByteArray content = "FILE \"big.wav\" WAVE\n";
    for (int n = 1; n <= 5000; ++n)
        content += "TRACK " + QByteArray::number(n) + " AUDIO\nINDEX 01 " + QByteArray::number(n) +
                   ":00:00\n";
    EXPECT_EQ(browser::ReadCueSheet(content).tracks.size(), browser::kMaxCueTracks);
}

} // namespace
