#include "audio/codecs/ffmpeg/mp3_gapless.h"

#include <cstring>
#include <fstream>
#include <vector>

namespace audio {

namespace {

// The first frame may follow some junk after the tags.
constexpr size_t kHeadBytes = 64 * 1024;

uint32_t bigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

bool isLayer3Sync(const uint8_t* p) {
    return p[0] == 0xFF && (p[1] & 0xE0) == 0xE0 && ((p[1] >> 1) & 3) == 1 &&
           ((p[1] >> 3) & 3) != 1;
}

} // namespace

std::optional<int64_t> mp3GaplessLength(const std::string& path, int64_t audioStart) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(audioStart);
    std::vector<uint8_t> b(kHeadBytes);
    in.read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(b.size()));
    b.resize(static_cast<size_t>(in.gcount()));
    size_t frame = 0;
    while (frame + 4 <= b.size() && !isLayer3Sync(&b[frame]))
        ++frame;
    if (frame + 4 > b.size())
        return std::nullopt;
    const bool mpeg1 = ((b[frame + 1] >> 3) & 3) == 3;
    const bool mono = ((b[frame + 3] >> 6) & 3) == 3;
    const size_t sideInfo = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    size_t p = frame + 4 + sideInfo;
    if (p + 8 > b.size() ||
        (std::memcmp(&b[p], "Xing", 4) != 0 && std::memcmp(&b[p], "Info", 4) != 0))
        return std::nullopt;
    const uint32_t flags = bigEndian32(&b[p + 4]);
    p += 8;
    if (!(flags & 1) || p + 4 > b.size())
        return std::nullopt;
    const int64_t frames = bigEndian32(&b[p]);
    p += 4 + ((flags & 2) ? 4 : 0) + ((flags & 4) ? 100 : 0) + ((flags & 8) ? 4 : 0);
    // The LAME tag: a 9-byte encoder name, then delay and padding at +21.
    if (p + 24 > b.size() ||
        (std::memcmp(&b[p], "LAME", 4) != 0 && std::memcmp(&b[p], "Lavf", 4) != 0 &&
         std::memcmp(&b[p], "Lavc", 4) != 0))
        return std::nullopt;
    const int delay = (b[p + 21] << 4) | (b[p + 22] >> 4);
    const int padding = ((b[p + 22] & 0x0F) << 8) | b[p + 23];
    const int64_t length = frames * (mpeg1 ? 1152 : 576) - delay - padding;
    return length > 0 ? std::optional<int64_t>(length) : std::nullopt;
}

} // namespace audio
