// A row that plays a part of a file: one track of a cue sheet, which names
// the album's one image file and where in it each track starts.
#pragma once

#include <QString>
#include <cstdint>

namespace tracklist {

// Cue sheets count in CD frames: 75 to the second.
inline constexpr int64_t kCdFramesPerSecond = 75;

struct TrackSection {
    QString file;      // the image file the track is part of
    int64_t start = 0; // CD frames from the file's start
    int64_t end = -1;  // CD frames from the file's start; -1: the file's end
    int number = 0;    // the track's number in the sheet
    QString title;     // the track's TITLE
    QString performer; // the track's PERFORMER, else the album's
    QString album;     // the sheet's TITLE
    QString date;      // the sheet's REM DATE
};

// The location of a section's row: the image file followed by "#track=N",
// distinct for every track of one image.
QString SectionLocation(const QString& file, int number);

// What names a track whose sheet gives it no TITLE: "Track 03".
QString UntitledTrackName(int number);

} // namespace tracklist
