// The exact length of an MP3 file whose Xing/Info frame carries a LAME tag:
// the frame count less the encoder delay and padding that FFmpeg's decoder
// drops (its demuxer keeps the padding to itself).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace audio {

// audioStart: the first byte after the file's leading ID3v2 tags, where the
// first frame (the one that carries the Xing/Info header) is looked for.
std::optional<int64_t> mp3GaplessLength(const std::string& path, int64_t audioStart);

} // namespace audio
