// A Vorbis comment block, as FLAC's VORBIS_COMMENT metadata block holds it: a
// vendor text, then a count of "NAME=value" texts, each preceded by its
// length (32-bit little-endian numbers).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace audio::tags {

// The first comments, up to most, as far as the block holds whole ones.
std::vector<std::string> vorbisCommentList(std::string_view block, std::size_t most);

// A block with the same vendor and only the first comment of each name in
// names (compared without regard to letter case).
std::string vorbisCommentSubset(std::string_view block, const std::vector<std::string_view>& names);

} // namespace audio::tags
