#include "audio/codecs/tags/spliced_stream.h"

#include <algorithm>

namespace audio::tags {

SplicedStream::SplicedStream(const std::string& path, const std::string& head, long restStart)
    : rest_(path.c_str(), true), head_(head.data(), static_cast<unsigned int>(head.size())),
      restStart_(restStart) {}

TagLib::FileName SplicedStream::name() const {
    return rest_.name();
}

bool SplicedStream::isOpen() const {
    return rest_.isOpen();
}

TagLib::ByteVector SplicedStream::readBlock(unsigned long length) {
    const long headSize = static_cast<long>(head_.size());
    TagLib::ByteVector out;
    if (position_ < headSize) {
        const long fromHead = std::min<long>(static_cast<long>(length), headSize - position_);
        out = head_.mid(static_cast<unsigned int>(position_), static_cast<unsigned int>(fromHead));
        position_ += fromHead;
        length -= static_cast<unsigned long>(fromHead);
    }
    if (length > 0 && rest_.isOpen()) {
        rest_.seek(restStart_ + position_ - headSize);
        const TagLib::ByteVector more = rest_.readBlock(length);
        out.append(more);
        position_ += static_cast<long>(more.size());
    }
    return out;
}

void SplicedStream::seek(long offset, Position from) {
    long base = 0;
    if (from == Current)
        base = position_;
    else if (from == End)
        base = length();
    position_ = std::max(0L, base + offset);
}

long SplicedStream::length() {
    const long rest = rest_.isOpen() ? rest_.length() - restStart_ : 0;
    return static_cast<long>(head_.size()) + std::max(0L, rest);
}

} // namespace audio::tags
