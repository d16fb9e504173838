// The metadata atoms of an MP4 file: the user data (udta) of the movie and
// its tracks, and the item list (ilst) of their metadata (meta) atoms.
#pragma once

#include "audio/codecs/tags/byte_reader.h"
#include "audio/codecs/tags/tag_cuts.h"

#include <optional>
#include <string>

namespace audio::tags {

// Cuts each user data and item list atom to its first kMaxDemuxedItems
// children: the atom's size ends after them and a "free" atom covers the
// rest.
void cutMp4Items(ByteReader& file, int64_t start, TagCuts& cuts);

// A small MP4 file of only moov/udta/meta/ilst holding the first item of
// each type in types from the file's item list; nothing when the file has
// no item list.
std::optional<std::string> mp4ItemSubset(ByteReader& file,
                                         const std::vector<std::string_view>& types);

} // namespace audio::tags
