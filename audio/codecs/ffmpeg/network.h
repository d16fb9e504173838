// The byte source of a network decoder: an HttpSource read through a custom
// AVIOContext, with the station metadata texts remembered at the byte
// position of the audio they arrived with.
#pragma once

#include "audio/codecs/ffmpeg/av.h"
#include "audio/codecs/ffmpeg/input.h"
#include "audio/codecs/net/http_source.h"

#include <atomic>
#include <deque>
#include <limits>
#include <mutex>

namespace audio {

class NetworkInput final : public DecoderInput {
public:
    explicit NetworkInput(std::unique_ptr<net::HttpSource> source);
    ~NetworkInput() override;
    NetworkInput(const NetworkInput&) = delete;
    NetworkInput& operator=(const NetworkInput&) = delete;

    // Null when the context could not be allocated.
    AVIOContext* io() const { return io_; }
    const net::HttpSource& source() const { return *source_; }

    std::vector<std::string> httpHeaders() const override;
    std::vector<std::string> icyHeaders() const override;
    std::optional<std::string> takeMetadataUpTo(int64_t bytePos) override;
    void cancel() override;
    void audioStarted() override;
    bool seekable() const override { return source_->seekable(); }
    void seekStarts() override { source_->beginSeek(); }
    bool seekFailed() const override { return source_->seekOverdue(); }
    void seekEnds() override { source_->endSeek(); }
    // The leading tags have been read through: the probe's byte limit counts
    // from here.
    void tagsPassed();

private:
    struct Metadata {
        int64_t bytePos = 0;
        std::string text;
    };

    static int readBytes(void* self, uint8_t* buffer, int size);
    static int64_t seekBytes(void* self, int64_t offset, int whence);
    void onMetadata(const std::string& text);

    std::unique_ptr<net::HttpSource> source_;
    AVIOContext* io_ = nullptr;
    int64_t metaInterval_ = 0;
    std::atomic<int64_t> position_{0}; // audio bytes handed to the demuxer
    std::atomic<bool> probing_{true};  // the first audio frame is not decoded yet
    // Where the probe's byte limit starts counting: nowhere while the view
    // reads the leading tags (the open's deadline bounds those).
    int64_t probeStart_ = std::numeric_limits<int64_t>::max();
    std::mutex mutex_;
    std::deque<Metadata> metadata_;
};

} // namespace audio
