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

// The first kMaxFlacComments comments of a FLAC comment block, names in
// upper case as above. Real files carry a few dozen; a hostile file's
// hundreds of thousands would cost far more than anyone could read.
inline constexpr std::size_t kMaxFlacComments = 4096;
std::vector<std::string> flacComments(const std::string& block);

} // namespace audio
