// A track of a cue sheet opened as a stream of its own: the part of its image
// file from the track's INDEX 01 to the next track's, with the sheet's titles
// as its tags. Its position, length and seeks are the track's, and it ends
// where the track ends, so a following track joins it gaplessly as any
// follow-on does.
#pragma once

#include "audio/api/bass.h"

namespace tracklist {
struct TrackSection;
}

namespace playback {

HSTREAM OpenSectionStream(const tracklist::TrackSection& section);

} // namespace playback
