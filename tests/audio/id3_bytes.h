// ID3v2 frames written byte by byte, the ways taggers write them.
#pragma once

#include <cstdint>
#include <string>

namespace id3bytes {

inline std::string bigEndian(uint32_t value, int bytes) {
    std::string out;
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
    return out;
}

inline std::string syncSafe(uint32_t value) {
    std::string out;
    for (int shift = 21; shift >= 0; shift -= 7)
        out += static_cast<char>((value >> shift) & 0x7F);
    return out;
}

// A frame as the version writes it; plainSize writes a 2.4 size as 2.3 does
// (a common writer's mistake).
inline std::string frame(int version, const std::string& id, const std::string& body,
                         bool plainSize = false) {
    const auto size = static_cast<uint32_t>(body.size());
    if (version == 2)
        return id + bigEndian(size, 3) + body;
    const std::string sizeField = version == 4 && !plainSize ? syncSafe(size) : bigEndian(size, 4);
    return id + sizeField + std::string(2, '\0') + body;
}

// A text frame body in ISO-8859-1.
inline std::string latin1(const std::string& text) {
    return std::string(1, '\0') + text;
}

} // namespace id3bytes
