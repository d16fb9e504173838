// The ten-byte header that starts an ID3v2 tag.
#pragma once

#include <cstddef>
#include <optional>

namespace audio::tags {

inline constexpr std::size_t kId3v2HeaderSize = 10;

// The whole length of the tag a header starts (header, frames, padding and
// footer), from the first kId3v2HeaderSize bytes; nothing when they are not
// an ID3v2 header.
inline std::optional<std::size_t> id3v2TagLength(const unsigned char* header) {
    const unsigned char* h = header;
    if (h[0] != 'I' || h[1] != 'D' || h[2] != '3' || h[3] == 0xFF || h[4] == 0xFF ||
        ((h[6] | h[7] | h[8] | h[9]) & 0x80) != 0)
        return std::nullopt;
    const std::size_t body = (std::size_t{h[6]} << 21) | (std::size_t{h[7]} << 14) |
                             (std::size_t{h[8]} << 7) | std::size_t{h[9]};
    const bool footer = (h[5] & 0x10) != 0;
    return kId3v2HeaderSize + body + (footer ? kId3v2HeaderSize : 0);
}

} // namespace audio::tags
