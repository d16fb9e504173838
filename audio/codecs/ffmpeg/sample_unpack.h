// Decoded samples of any FFmpeg sample format, planar or packed, as
// interleaved float at the same rate and channel count: the scaling
// libswresample applies (s16 32767 -> 32767/32768, u8 0 -> -1), done in a
// plain loop so that the common case needs no resampler.
#pragma once

extern "C" {
#include <libavutil/samplefmt.h>
}

#include <cstdint>

namespace audio {

// Whether unpackSamples knows the format.
bool canUnpack(AVSampleFormat format);

// Writes frames * channels floats to out. planes holds one pointer per
// channel for a planar format, one for a packed format.
void unpackSamples(AVSampleFormat format, const uint8_t* const* planes, int channels, int frames,
                   float* out);

} // namespace audio
