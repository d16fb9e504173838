// The chunks of a RIFF WAVE file (little-endian sizes) or an AIFF file
// (FORM, big-endian sizes), and the tags among them: ID3v2 chunks, the items
// of LIST INFO chunks, AIFF's text chunks.
#pragma once

#include "audio/codecs/tags/byte_reader.h"
#include "audio/codecs/tags/tag_cuts.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace audio::tags {

struct Chunk {
    int64_t offset = 0; // of its header
    std::string id;
    uint32_t size = 0; // of its data
    int64_t dataStart() const { return offset + 8; }
    int64_t end() const { return dataStart() + size + (size & 1); }
};

// Calls visit for each chunk of the form at start, in order, up to the end
// of the file or a chunk that runs past it; visit returns false to stop.
// False when start holds no RIFF WAVE or AIFF form.
bool forEachChunk(ByteReader& file, int64_t start, const std::function<bool(const Chunk&)>& visit);

// Makes the tag chunks padding ("JUNK"), one padding chunk per run of them.
void hideChunkTags(ByteReader& file, int64_t start, TagCuts& cuts);

struct ChunkTags {
    std::string id3; // the first ID3v2 chunk's data
    // INFO item id ("IART", "INAM"...) -> its bytes without the terminating
    // zero; the first item of each id.
    std::map<std::string, std::string> info;
    // AIFF text chunk id ("NAME", "AUTH") -> its text; the first of each.
    std::map<std::string, std::string> aiffText;
};

// The tags of the form at the start of the file; infoIds limits the INFO
// items to those ids (all when empty).
ChunkTags chunkTags(ByteReader& file, const std::vector<std::string_view>& infoIds);

} // namespace audio::tags
