// Opens the decoding side of a demuxer that avformat_open_input has opened:
// stream information, the best audio stream and its codec.
#pragma once

#include "audio/codecs/ffmpeg/decoder.h"

namespace audio {

// parts.format must be open; fills streamIndex and codec and creates the
// decoder. On failure returns nullptr and sets *bassError.
std::unique_ptr<Decoder> openDecoder(DecoderParts parts, int* bassError);

} // namespace audio
