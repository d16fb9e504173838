#include "audio/codecs/net/byte_queue.h"

#include <algorithm>
#include <cstring>

namespace audio::net {

void ByteQueue::append(const uint8_t* data, size_t size) {
    bytes_.insert(bytes_.end(), data, data + size);
}

size_t ByteQueue::take(uint8_t* out, size_t size) {
    const size_t count = std::min(size, this->size());
    if (count > 0)
        std::memcpy(out, bytes_.data() + head_, count);
    head_ += count;
    if (head_ == bytes_.size()) {
        clear();
    } else if (head_ > bytes_.size() / 2) {
        // Drop the consumed front once it dominates, so the storage stays
        // near the queue's fill level without moving bytes on every read.
        bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(head_));
        head_ = 0;
    }
    return count;
}

void ByteQueue::clear() {
    bytes_.clear();
    head_ = 0;
}

} // namespace audio::net
