#include "audio/codecs/ffmpeg/network.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <strings.h>

namespace audio {

namespace {

constexpr int kIoBufferSize = 32768;
// A stream that has not produced one audio frame within this many bytes after
// its leading tags is not audio (a server sending an endless page of
// something else). The tags do not count: an episode's cover may be larger.
constexpr int64_t kMaxProbeBytes = 2 * 1024 * 1024;
// Metadata texts kept for audio not decoded yet; older ones are dropped.
constexpr size_t kMaxQueuedMetadata = 32;

int64_t metaIntervalOf(const std::vector<std::string>& icyHeaders) {
    constexpr const char kName[] = "icy-metaint:";
    for (const std::string& line : icyHeaders)
        if (strncasecmp(line.c_str(), kName, sizeof(kName) - 1) == 0)
            return std::max(0LL, std::atoll(line.c_str() + sizeof(kName) - 1));
    return 0;
}

} // namespace

NetworkInput::NetworkInput(std::unique_ptr<net::HttpSource> source)
    : source_(std::move(source)), metaInterval_(metaIntervalOf(source_->icyHeaders())) {
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (!buffer)
        return;
    // A known length is told through the seek function, which moves only
    // where the server honours Range requests.
    const bool sized = source_->contentLength() >= 0;
    io_ = avio_alloc_context(buffer, kIoBufferSize, 0, this, &NetworkInput::readBytes, nullptr,
                             sized ? &NetworkInput::seekBytes : nullptr);
    if (!io_) {
        av_free(buffer);
        return;
    }
    io_->seekable = sized && source_->seekable() ? AVIO_SEEKABLE_NORMAL : 0;
    source_->setMetadataHandler([this](const std::string& text) { onMetadata(text); });
}

NetworkInput::~NetworkInput() {
    // The source's thread may be calling onMetadata: end it before the
    // members that handler uses go away.
    source_->cancel();
    source_.reset();
    if (io_) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
}

int NetworkInput::readBytes(void* self, uint8_t* buffer, int size) {
    auto* input = static_cast<NetworkInput*>(self);
    if (input->probing_ && input->position_ >= input->probeStart_ &&
        input->position_ - input->probeStart_ >= kMaxProbeBytes)
        return AVERROR_INVALIDDATA;
    if (input->source_->seekOverdue())
        return AVERROR_EXIT;
    const int got = input->source_->read(buffer, size);
    if (got == 0)
        return AVERROR_EOF;
    if (got < 0)
        return AVERROR(EIO);
    input->position_ += got;
    return got;
}

int64_t NetworkInput::seekBytes(void* self, int64_t offset, int whence) {
    auto* input = static_cast<NetworkInput*>(self);
    const int64_t length = input->source_->contentLength();
    if (whence & AVSEEK_SIZE)
        return length >= 0 ? length : AVERROR(ENOSYS);
    int64_t target = offset;
    switch (whence & ~AVSEEK_FORCE) {
    case SEEK_SET:
        break;
    case SEEK_CUR:
        target += input->position_;
        break;
    case SEEK_END:
        if (length < 0)
            return AVERROR(ENOSYS);
        target += length;
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (target < 0)
        return AVERROR(EINVAL);
    if (!input->source_->seekable())
        return AVERROR(ENOSYS);
    const int64_t reached = input->source_->seek(target);
    if (reached < 0)
        return AVERROR(EIO);
    input->position_ = reached;
    return reached;
}

// Runs on the network thread. The block was cut out of the audio somewhere
// past what the demuxer has read so far; ICY blocks sit at multiples of the
// metadata interval, so the first such multiple is the best estimate.
void NetworkInput::onMetadata(const std::string& text) {
    int64_t at = position_;
    if (metaInterval_ > 0)
        at = (at + metaInterval_ - 1) / metaInterval_ * metaInterval_;
    std::lock_guard lock(mutex_);
    if (metadata_.size() >= kMaxQueuedMetadata)
        metadata_.pop_front();
    metadata_.push_back({at, text});
}

std::optional<std::string> NetworkInput::takeMetadataUpTo(int64_t bytePos) {
    std::lock_guard lock(mutex_);
    std::optional<std::string> newest;
    while (!metadata_.empty() && metadata_.front().bytePos <= bytePos) {
        newest = std::move(metadata_.front().text);
        metadata_.pop_front();
    }
    return newest;
}

std::vector<std::string> NetworkInput::httpHeaders() const {
    return source_->httpHeaders();
}

std::vector<std::string> NetworkInput::icyHeaders() const {
    return source_->icyHeaders();
}

void NetworkInput::cancel() {
    source_->cancel();
}

void NetworkInput::tagsPassed() {
    probeStart_ = position_.load();
}

void NetworkInput::audioStarted() {
    probing_ = false;
    source_->endOpening();
}

} // namespace audio
