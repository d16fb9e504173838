// A byte queue that the network thread fills and the reader drains. Not
// synchronised: the transfer guards it with its own mutex.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace audio::net {

class ByteQueue {
public:
    void append(const uint8_t* data, size_t size);
    // Moves up to size bytes to out; returns how many were moved.
    size_t take(uint8_t* out, size_t size);
    size_t size() const { return bytes_.size() - head_; }
    bool empty() const { return size() == 0; }
    void clear();

private:
    std::vector<uint8_t> bytes_;
    size_t head_ = 0;
};

} // namespace audio::net
