// Converts decoded frames (any rate, any channel count) to stereo at the
// device rate: libswresample for rate changes and downmixes, a plain copy
// when only mono has to be doubled or nothing changes.
#pragma once

#include <cstddef>
#include <vector>

struct SwrContext;

namespace audio::core {

class FormatConverter {
public:
    FormatConverter(int inRate, int inChannels, int outRate);
    ~FormatConverter();
    FormatConverter(const FormatConverter&) = delete;
    FormatConverter& operator=(const FormatConverter&) = delete;

    bool valid() const { return valid_; }

    // Most output frames convert() can give for inFrames input frames.
    std::size_t maxOutputFrames(std::size_t inFrames) const;

    // Appends the stereo frames for inFrames frames to out (cleared first).
    void convert(const float* in, std::size_t inFrames, std::vector<float>& out);
    // Appends what the resampler still holds at the end of the input.
    void flush(std::vector<float>& out);
    // Drops the resampler's history (after a seek).
    void reset();

private:
    bool openResampler();
    void toStereo(const float* in, std::size_t frames, int channels, std::vector<float>& out);
    void resample(const float* in, std::size_t inFrames, std::vector<float>& out);

    const int inRate_;
    const int inChannels_;
    const int outRate_;
    // The resampler works on min(inChannels, 2) or downmixes to 2.
    int resampledChannels_ = 2;
    SwrContext* swr_ = nullptr;
    bool valid_ = true;
    std::vector<float> resampled_;
};

} // namespace audio::core
