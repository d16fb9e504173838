#include "audio/engine/frame_ring.h"

#include <algorithm>
#include <cstring>

namespace audio::core {

FrameRing::FrameRing(std::size_t capacityFrames, int channels)
    : samples_(capacityFrames * channels), capacity_(capacityFrames), channels_(channels) {}

std::size_t FrameRing::push(const float* frames, std::size_t count) {
    count = std::min(count, space());
    std::size_t tail = (head_ + size_) % capacity_;
    std::size_t done = 0;
    while (done < count) {
        const std::size_t run = std::min(count - done, capacity_ - tail);
        std::memcpy(&samples_[tail * channels_], frames + done * channels_,
                    run * channels_ * sizeof(float));
        done += run;
        tail = (tail + run) % capacity_;
    }
    size_ += count;
    return count;
}

std::size_t FrameRing::pop(float* frames, std::size_t count) {
    count = std::min(count, size_);
    std::size_t done = 0;
    while (done < count) {
        const std::size_t run = std::min(count - done, capacity_ - head_);
        std::memcpy(frames + done * channels_, &samples_[head_ * channels_],
                    run * channels_ * sizeof(float));
        done += run;
        head_ = (head_ + run) % capacity_;
    }
    size_ -= count;
    return count;
}

void FrameRing::clear() {
    head_ = 0;
    size_ = 0;
}

} // namespace audio::core
