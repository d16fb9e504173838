// A bounded ring of interleaved float frames. Not synchronised: its owner
// guards it with a lock.
#pragma once

#include <cstddef>
#include <vector>

namespace audio::core {

class FrameRing {
public:
    FrameRing(std::size_t capacityFrames, int channels);

    std::size_t capacity() const { return capacity_; }
    std::size_t size() const { return size_; }
    std::size_t space() const { return capacity_ - size_; }

    // Copies up to count frames in/out; returns how many were copied.
    std::size_t push(const float* frames, std::size_t count);
    std::size_t pop(float* frames, std::size_t count);
    void clear();

private:
    std::vector<float> samples_;
    std::size_t capacity_;
    int channels_;
    std::size_t head_ = 0; // first stored frame
    std::size_t size_ = 0;
};

} // namespace audio::core
