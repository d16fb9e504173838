// The metadata objects in the header of an ASF (WMA) file: the extended
// content description and, inside the header extension, the metadata and
// metadata library objects, each a list of named attributes.
#pragma once

#include "audio/codecs/tags/byte_reader.h"
#include "audio/codecs/tags/tag_cuts.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace audio::tags {

// Makes the metadata objects padding objects, one per run of them.
void hideAsfMetadata(ByteReader& file, int64_t start, TagCuts& cuts);

// A small ASF header holding the file's content description, file and stream
// properties and, of the attributes of its metadata objects, the first of
// each name in names;
// nothing when the file does not start with an ASF header.
std::optional<std::string> asfMetadataSubset(ByteReader& file,
                                             const std::vector<std::string_view>& names);

} // namespace audio::tags
