// The length of an audio stream in frames, from what the demuxer knows.
#pragma once

#include <cstdint>

struct AVFormatContext;
struct AVStream;

namespace audio {

// Frames of decoded audio the stream holds at its own sample rate, with the
// encoder delay and padding FFmpeg removes while decoding taken off; -1 when
// the demuxer does not know.
int64_t streamLengthFrames(const AVFormatContext& format, const AVStream& stream, int sampleRate);

bool isOgg(const AVFormatContext& format);

// True when the length comes from the container's own counts (not from a
// bit-rate estimate), so audio decoded past it is padding.
bool lengthIsExact(const AVFormatContext& format);

} // namespace audio
