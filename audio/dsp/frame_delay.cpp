#include "audio/dsp/frame_delay.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace audio::dsp {

FrameDelay::FrameDelay(int channels, std::size_t maxDelayFrames, std::size_t maxBlockFrames)
    : channels_(static_cast<std::size_t>(channels)),
      mask_(std::bit_ceil(maxDelayFrames + maxBlockFrames + 2) - 1),
      buffer_((mask_ + 1) * channels_, 0.0f) {}

void FrameDelay::process(float* samples, std::size_t frames, float startDelay, float delayStep) {
    write(samples, frames);
    if (delayStep == 0.0f && startDelay == std::floor(startDelay))
        readWhole(samples, frames, static_cast<std::size_t>(std::max(startDelay, 0.0f)));
    else
        readGliding(samples, frames, startDelay, delayStep);
    writeIndex_ = (writeIndex_ + frames) & mask_;
}

void FrameDelay::write(const float* samples, std::size_t frames) {
    const std::size_t first = std::min(frames, mask_ + 1 - writeIndex_);
    std::copy(samples, samples + first * channels_, buffer_.data() + writeIndex_ * channels_);
    std::copy(samples + first * channels_, samples + frames * channels_, buffer_.data());
}

void FrameDelay::readWhole(float* samples, std::size_t frames, std::size_t delay) const {
    const std::size_t start = (writeIndex_ - delay) & mask_;
    const std::size_t first = std::min(frames, mask_ + 1 - start);
    const float* from = buffer_.data() + start * channels_;
    std::copy(from, from + first * channels_, samples);
    std::copy(buffer_.data(), buffer_.data() + (frames - first) * channels_,
              samples + first * channels_);
}

void FrameDelay::readGliding(float* samples, std::size_t frames, float startDelay,
                             float delayStep) const {
    // Clamped so that rounding drift of a gliding delay stays inside the line.
    const float longest = static_cast<float>(mask_ + 1 - frames - 2);
    for (std::size_t i = 0; i < frames; ++i) {
        const float delay = std::clamp(startDelay + delayStep * float(i + 1), 0.0f, longest);
        const std::size_t whole = static_cast<std::size_t>(delay);
        const float fraction = delay - static_cast<float>(whole);
        const std::size_t position = writeIndex_ + i - whole;
        const float* newer = buffer_.data() + (position & mask_) * channels_;
        const float* older = buffer_.data() + ((position - 1) & mask_) * channels_;
        for (std::size_t c = 0; c < channels_; ++c)
            samples[i * channels_ + c] = newer[c] + (older[c] - newer[c]) * fraction;
    }
}

void FrameDelay::clear() {
    std::fill(buffer_.begin(), buffer_.end(), 0.0f);
}

} // namespace audio::dsp
