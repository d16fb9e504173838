// A delay line of interleaved frames with a fractional delay, for look-ahead.
#pragma once

#include <cstddef>
#include <vector>

namespace audio::dsp {

class FrameDelay {
public:
    // process() takes at most maxBlockFrames frames per call.
    FrameDelay(int channels, std::size_t maxDelayFrames, std::size_t maxBlockFrames);

    // Delays the frames in place. The delay of frame i is
    // startDelay + (i + 1) * delayStep frames (linearly interpolated; 0 is no
    // delay), so a changing delay glides instead of jumping.
    void process(float* samples, std::size_t frames, float startDelay, float delayStep);
    void clear();

private:
    void write(const float* samples, std::size_t frames);
    void readWhole(float* samples, std::size_t frames, std::size_t delay) const;
    void readGliding(float* samples, std::size_t frames, float startDelay, float delayStep) const;

    std::size_t channels_;
    std::size_t mask_;
    std::size_t writeIndex_ = 0;
    std::vector<float> buffer_;
};

} // namespace audio::dsp
