// Vorbis-style comments ("NAME=value") from FFmpeg metadata dictionaries.
#pragma once

#include <string>
#include <vector>

struct AVDictionary;

namespace audio {

// True for the codecs whose tags are Vorbis comments (Vorbis, Opus, FLAC).
bool carriesVorbisComments(int codecId);

// The entries of both dictionaries (either may be null) as "NAME=value",
// names in upper case; FFmpeg's generic names are given their Vorbis names.
std::vector<std::string> vorbisComments(const AVDictionary* formatMetadata,
                                        const AVDictionary* streamMetadata);

} // namespace audio
