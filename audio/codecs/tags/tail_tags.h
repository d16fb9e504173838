// The tags at the end of MPEG audio: ID3v1 tags (128 bytes from "TAG") and
// APE tags (items between an optional header and a footer, both 32 bytes
// from "APETAGEX"), in any number one after the other.
#pragma once

#include "audio/codecs/tags/byte_reader.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace audio::tags {

struct TailTags {
    int64_t audioEnd = 0; // where the first of them begins: the end of the audio
    // The APE tag a reader finds: at the end, or right before the last
    // ID3v1 tag.
    struct Span {
        int64_t offset = 0;
        int64_t end = 0;
    };
    std::optional<Span> ape;
};

TailTags tailTags(ByteReader& file);

// A copy of the APE tag with only the first item of each key in keys
// (compared without regard to letter case).
std::optional<std::string> apeSubset(ByteReader& file, const TailTags::Span& ape,
                                     const std::vector<std::string_view>& keys);

} // namespace audio::tags
