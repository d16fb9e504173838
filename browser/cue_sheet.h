// Cue sheets as CD rippers write them (EAC, XLD, foobar2000, CUETools): the
// album's TITLE, PERFORMER and REM DATE, then its tracks, each with the FILE
// it starts in and the time of its INDEX 01. Read by the 8-bit text rule
// (UTF-8 with or without byte order mark, else CP932 or Windows-1252; UTF-16
// with a byte order mark too). Damaged lines are skipped.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace browser {

struct CueTrack {
    int number = 0;
    QString file;      // the FILE in effect at INDEX 01, as the sheet writes it
    QString title;     // empty when the sheet gives none
    QString performer; // the track's own PERFORMER; empty when it gives none
    int64_t start = 0; // INDEX 01, in CD frames (1/75 s) into the file
    // The next track's INDEX 01 when that track starts in the same file (an
    // INDEX 00 pregap belongs to the end of the track before it); -1: the
    // track runs to the file's end.
    int64_t end = -1;
};

struct CueSheet {
    QString title;
    QString performer;
    QString date;
    std::vector<CueTrack> tracks; // the audio tracks that have an INDEX 01
};

// More tracks than this make no album: the rest of such a sheet is ignored.
inline constexpr size_t kMaxCueTracks = 999;

CueSheet ReadCueSheet(const QByteArray& content);

// The name a track's row shows: its TITLE, as "PERFORMER - TITLE" when its
// performer is not the album's, and "Track 03" when it has no title.
QString CueRowName(const CueSheet& sheet, const CueTrack& track);

} // namespace browser
