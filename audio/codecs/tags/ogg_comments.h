// The comment packet of an Ogg file: the second packet of its first logical
// stream, holding a Vorbis comment block after a prefix that depends on the
// codec (Vorbis, Opus, FLAC or Speex).
#pragma once

#include "audio/codecs/tags/byte_reader.h"
#include "audio/codecs/tags/tag_cuts.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace audio::tags {

struct OggCommentPacket {
    // Where a stretch of the packet lies in the file.
    struct Span {
        int64_t page = 0;          // offset of the page that holds it
        int64_t fileOffset = 0;    // of its first byte
        std::size_t packetPos = 0; // of its first byte in the packet
        std::size_t length = 0;
    };
    std::string packet;
    std::size_t blockStart = 0; // where the comment block begins in the packet
    std::vector<Span> spans;

    std::string_view block() const { return std::string_view(packet).substr(blockStart); }
};

// The comment packet of the Ogg stream whose first page is at start, its
// first most bytes when it is longer; nothing when there is no such stream
// or its second packet is not comments.
std::optional<OggCommentPacket> oggCommentPacket(ByteReader& file, int64_t start,
                                                 std::size_t most = SIZE_MAX);

// Cuts the comment list to its first kMaxDemuxedItems (the count field and
// the checksum of each page it lies on).
void cutOggComments(ByteReader& file, int64_t start, TagCuts& cuts);

} // namespace audio::tags
