// Converts decoded frames (any rate, any channel count) to stereo at the
// device rate: a stream's one resampler, downmix and rate change in one step
// (the decoder before it only unpacks samples to float). The implementation
// (libswresample) lives with the decoders in the codec module; see
// codec_abi.h.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace audio::core {

class FormatConverter {
public:
    virtual ~FormatConverter() = default;

    virtual bool valid() const = 0;

    // Most output frames convert() can give for inFrames input frames.
    virtual std::size_t maxOutputFrames(std::size_t inFrames) const = 0;

    // Appends the stereo frames for inFrames frames to out (cleared first).
    virtual void convert(const float* in, std::size_t inFrames, std::vector<float>& out) = 0;
    // Appends what the resampler still holds at the end of the input.
    virtual void flush(std::vector<float>& out) = 0;
    // Drops the resampler's history (after a seek).
    virtual void reset() = 0;
};

// libswresample for rate changes and downmixes, a plain copy when only mono
// has to be doubled or nothing changes.
std::unique_ptr<FormatConverter> makeFormatConverter(int inRate, int inChannels, int outRate);

} // namespace audio::core
