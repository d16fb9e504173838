#include "audio/codecs/net/icy_metadata_filter.h"

#include <algorithm>

namespace audio::net {

void IcyMetadataFilter::feed(const uint8_t* data, size_t size, const AudioSink& audio,
                             const MetadataSink& metadata) {
    if (interval_ == 0) {
        if (size > 0)
            audio(data, size);
        return;
    }
    size_t pos = 0;
    while (pos < size) {
        if (metadataLeft_ > 0) {
            pos += takeMetadata(data + pos, size - pos, metadata);
        } else if (expectLength_) {
            metadataLeft_ = static_cast<size_t>(data[pos++]) * 16;
            expectLength_ = false;
            if (metadataLeft_ == 0)
                audioLeft_ = interval_;
        } else {
            pos += takeAudio(data + pos, size - pos, audio);
        }
    }
}

size_t IcyMetadataFilter::takeAudio(const uint8_t* data, size_t size, const AudioSink& audio) {
    const size_t count = std::min(size, audioLeft_);
    audio(data, count);
    audioLeft_ -= count;
    if (audioLeft_ == 0)
        expectLength_ = true;
    return count;
}

size_t IcyMetadataFilter::takeMetadata(const uint8_t* data, size_t size,
                                       const MetadataSink& metadata) {
    const size_t count = std::min(size, metadataLeft_);
    text_.append(reinterpret_cast<const char*>(data), count);
    metadataLeft_ -= count;
    if (metadataLeft_ == 0)
        finishBlock(metadata);
    return count;
}

void IcyMetadataFilter::finishBlock(const MetadataSink& metadata) {
    const size_t end = text_.find_last_not_of('\0');
    text_.resize(end == std::string::npos ? 0 : end + 1);
    if (!text_.empty())
        metadata(text_);
    text_.clear();
    audioLeft_ = interval_;
}

} // namespace audio::net
