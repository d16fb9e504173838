#include "playback/section_stream.h"

#include "tracklist/track_section.h"

#include <QByteArray>

namespace playback {

HSTREAM OpenSectionStream(const tracklist::TrackSection& section) {
    // A track without a TITLE is not named by the image's own title tag,
    // which names the album.
    const QByteArray title =
        (section.title.isEmpty() ? tracklist::UntitledTrackName(section.number) : section.title)
            .toUtf8();
    const QByteArray artist = section.performer.toUtf8();
    const QByteArray album = section.album.toUtf8();
    const QByteArray year = section.date.toUtf8();
    const QByteArray track = QByteArray::number(section.number);
    QUAVERLY_SECTION part{};
    part.start = static_cast<QWORD>(section.start);
    part.end = section.end < 0 ? 0 : static_cast<QWORD>(section.end);
    part.title = title.constData();
    part.artist = artist.constData();
    part.album = album.constData();
    part.year = year.constData();
    part.track = track.constData();
    return QUAVERLY_StreamCreateFileSection(section.file.utf16(), BASS_UNICODE, &part);
}

} // namespace playback
