// The length of a chained Ogg file: logical streams one after the other, as
// radio recordings and joined files are. FFmpeg reports the length of the
// last one only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace audio {

// The sum of the lengths of the chained streams (Vorbis, Opus or FLAC, each
// from its last granule position) in frames at outputRate; nothing for a
// file of one logical stream, streams side by side, other codecs or damage.
std::optional<int64_t> chainedOggLength(const std::string& path, int outputRate);

} // namespace audio
