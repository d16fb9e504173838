// The metadata blocks at the start of a native FLAC stream: "fLaC", then
// blocks of a one-byte header (last-block flag and type) and a 24-bit size.
#pragma once

#include "audio/codecs/tags/byte_reader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace audio::tags {

enum FlacBlockType { kFlacStreamInfo = 0, kFlacPadding = 1, kFlacVorbisComment = 4 };

struct FlacBlock {
    int type = 0;
    bool last = false;
    int64_t offset = 0; // of its header
    uint32_t size = 0;  // after the header
    int64_t end() const { return offset + 4 + size; }
};

// The blocks of the stream whose "fLaC" marker is at start, up to the one
// flagged last; empty when there is no marker there, or when a header is cut
// short or the blocks run on beyond any real file's.
std::vector<FlacBlock> flacMetadataBlocks(const ReadAt& read, int64_t start);

// A copy of the metadata from "fLaC" on with only STREAMINFO and the comment
// block reduced to the first comment of each of names (see
// vorbis_comment_block.h); audioOffset is where the file's blocks end.
struct FlacHead {
    std::string bytes;
    int64_t audioOffset = 0;
};
std::optional<FlacHead> reducedFlacHead(const ReadAt& read, int64_t start,
                                        const std::vector<std::string_view>& names);

} // namespace audio::tags
