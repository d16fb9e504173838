// Converts decoded frames of any sample format, rate and channel layout to
// interleaved float at one fixed output rate and channel count.
#pragma once

#include "decoder_av.h"

#include <vector>

namespace audio {

class SampleConverter {
public:
    SampleConverter(int outRate, int outChannels);
    ~SampleConverter();
    SampleConverter(const SampleConverter&) = delete;
    SampleConverter& operator=(const SampleConverter&) = delete;

    // Appends the frame's samples to out; false when the frame cannot be
    // converted.
    bool append(const AVFrame& frame, std::vector<float>* out);

private:
    bool isPassThrough(const AVFrame& frame) const;
    bool ensureResampler(const AVFrame& frame);

    int outRate_;
    int outChannels_;
    SwrPtr swr_;
    int inFormat_ = -1;
    int inRate_ = 0;
    AVChannelLayout inLayout_{};
};

} // namespace audio
