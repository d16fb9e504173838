// Converts decoded frames of any sample format, rate and channel layout to
// interleaved float at one fixed output rate and channel count: the stream's
// first. Frames of that rate and channel count (all but those of a chained
// Ogg file's later streams) are only unpacked, in plain code; the others go
// through a resampler made for them. Channel layouts and the device rate are
// the engine's converter's job (format_converter.h).
#pragma once

#include "audio/codecs/ffmpeg/av.h"

#include <memory>
#include <optional>
#include <vector>

namespace audio {

// Leaves new elements uninitialised: converted samples overwrite them at once.
template <class T> struct UninitializedAllocator : std::allocator<T> {
    template <class U> struct rebind { using other = UninitializedAllocator<U>; };
    template <class U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
    template <class U, class... Args> void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

using SampleBuffer = std::vector<float, UninitializedAllocator<float>>;

class SampleConverter {
public:
    SampleConverter(int outRate, int outChannels);
    ~SampleConverter();
    SampleConverter(const SampleConverter&) = delete;
    SampleConverter& operator=(const SampleConverter&) = delete;

    // Writes the frame's samples to out, which has room for room frames.
    // Returns the frames written (0 when the frame cannot be converted), or
    // nothing, having written nothing, when they might not fit.
    std::optional<int> convert(const AVFrame& frame, float* out, int room);
    // Appends the frame's samples to out; false when the frame cannot be
    // converted.
    bool append(const AVFrame& frame, SampleBuffer* out);

private:
    // Same rate and channel count as the output: unpacked without a resampler.
    bool keepsFormat(const AVFrame& frame) const;
    bool ensureResampler(const AVFrame& frame);
    // Most frames the frame may give; -1 when it cannot be converted.
    int framesFor(const AVFrame& frame);

    int outRate_;
    int outChannels_;
    SwrPtr swr_;
    int inFormat_ = -1;
    int inRate_ = 0;
    AVChannelLayout inLayout_{};
};

} // namespace audio
