#include "audio/codecs/section_decoder.h"

#include <algorithm>

namespace audio {

SectionDecoder::SectionDecoder(std::unique_ptr<Decoder> inner, int64_t start, int64_t end)
    : inner_(std::move(inner)), start_(start), end_(end), position_(start) {}

bool SectionDecoder::open() {
    const int64_t whole = inner_->lengthFrames();
    if (start_ < 0 || (whole >= 0 && start_ >= whole) || (end_ >= 0 && end_ <= start_))
        return false;
    return start_ == 0 || inner_->seek(start_);
}

int64_t SectionDecoder::end() const {
    const int64_t whole = inner_->lengthFrames();
    if (end_ < 0)
        return whole;
    return whole < 0 ? end_ : std::min(end_, whole);
}

int64_t SectionDecoder::lengthFrames() const {
    const int64_t last = end();
    return last < 0 ? -1 : last - start_;
}

int SectionDecoder::decode(float* out, int maxFrames) {
    const int64_t last = end();
    int64_t wanted = maxFrames;
    if (last >= 0)
        wanted = std::min<int64_t>(wanted, last - position_);
    if (wanted <= 0)
        return 0;
    const int got = inner_->decode(out, static_cast<int>(wanted));
    if (got > 0)
        position_ += got;
    return got;
}

bool SectionDecoder::seek(int64_t frame) {
    if (frame < 0 || !inner_->seek(start_ + frame))
        return false;
    position_ = start_ + frame;
    return true;
}

} // namespace audio
