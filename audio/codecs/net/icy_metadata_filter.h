// Removes the interleaved ICY metadata blocks from a station stream: after
// every `interval` audio bytes comes one length byte (times 16) and that many
// bytes of metadata text. Blocks may be split across any number of feeds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace audio::net {

class IcyMetadataFilter {
public:
    using AudioSink = std::function<void(const uint8_t*, size_t)>;
    using MetadataSink = std::function<void(const std::string&)>;

    // An interval of 0 passes every byte through as audio.
    explicit IcyMetadataFilter(size_t interval) : interval_(interval), audioLeft_(interval) {}

    // Sends the audio parts of data to audio and each complete, non-empty
    // metadata text (trailing NULs removed) to metadata.
    void feed(const uint8_t* data, size_t size, const AudioSink& audio,
              const MetadataSink& metadata);

private:
    size_t takeAudio(const uint8_t* data, size_t size, const AudioSink& audio);
    size_t takeMetadata(const uint8_t* data, size_t size, const MetadataSink& metadata);
    void finishBlock(const MetadataSink& metadata);

    size_t interval_;
    size_t audioLeft_;
    bool expectLength_ = false;
    size_t metadataLeft_ = 0;
    std::string text_;
};

} // namespace audio::net
