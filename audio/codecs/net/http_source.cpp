#include "audio/codecs/net/http_source.h"

#include "audio/codecs/net/curl_transfer.h"
#include "audio/codecs/net/playlist_link.h"

#include <atomic>
#include <mutex>
#include <set>

namespace audio::net {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int maxPlaylistHops = 4;
constexpr size_t maxPlaylistSize = 64 * 1024;

Clock::time_point deadlineOf(const HttpLimits& limits, Clock::time_point start) {
    return limits.deadlineMs > 0 ? start + std::chrono::milliseconds(limits.deadlineMs)
                                 : Clock::time_point::max();
}

// The whole (small) playlist body, or nothing when it is too large or broken.
std::optional<std::string> readPlaylist(CurlTransfer& transfer) {
    std::string text;
    uint8_t chunk[4096];
    while (text.size() <= maxPlaylistSize) {
        const int count = transfer.read(chunk, sizeof chunk);
        if (count < 0)
            return std::nullopt;
        if (count == 0)
            return text;
        text.append(reinterpret_cast<const char*>(chunk), static_cast<size_t>(count));
    }
    return std::nullopt;
}

class CurlHttpSource final : public HttpSource {
public:
    CurlHttpSource(const HttpOpenOptions& opts, Clock::time_point deadline,
                   std::shared_ptr<MetadataChannel> metadata,
                   std::shared_ptr<CurlTransfer> transfer)
        : options_(opts), deadline_(deadline), metadata_(std::move(metadata)),
          transfer_(std::move(transfer)) {
        const ResponseHeaders& headers = transfer_->headers();
        httpHeaders_ = headers.httpLines();
        icyHeaders_ = headers.icyLines();
        contentType_ = headers.contentType();
        contentLength_ = headers.contentLength();
        url_ = transfer_->effectiveUrl();
        // Byte offsets only match the resource when no metadata is interleaved.
        seekable_ = headers.acceptsRanges() && headers.metadataInterval() == 0;
    }

    ~CurlHttpSource() override { cancel(); }

    const std::vector<std::string>& httpHeaders() const override { return httpHeaders_; }
    const std::vector<std::string>& icyHeaders() const override { return icyHeaders_; }
    std::string contentType() const override { return contentType_; }
    int64_t contentLength() const override { return contentLength_; }

    int read(uint8_t* buffer, int size) override { return current()->read(buffer, size); }

    bool seekable() const override { return seekable_; }

    // The new transfer replaces the current one only once its answer shows
    // that it starts at the offset; a server that answers with the whole
    // body instead is not asked again.
    int64_t seek(int64_t offset) override {
        const bool beyondEnd = contentLength_ >= 0 && offset >= contentLength_;
        if (!seekable_ || offset < 0 || beyondEnd || !moveAllowed())
            return -1;
        auto fresh = std::make_shared<CurlTransfer>(transferOptions(offset), metadata_);
        {
            std::lock_guard lock(mutex_);
            if (cancelled_)
                return -1;
            seeking_ = fresh;
        }
        const bool failed = static_cast<bool>(fresh->waitForHeaders());
        const bool ranged = offset == 0 || fresh->headers().status() == 206;
        std::lock_guard lock(mutex_);
        seeking_.reset();
        if (failed || !ranged || cancelled_) {
            seekable_ = seekable_ && (failed || ranged);
            moveFailed_ = true;
            fresh->cancel();
            return -1;
        }
        if (!opening_)
            fresh->endOpening(); // its reads have no deadline, as the stream's
        std::swap(transfer_, fresh);
        fresh->cancel(); // ends the old transfer
        return offset;
    }

    void beginSeek() override {
        std::lock_guard lock(mutex_);
        moveDeadline_ = opening_ ? deadline_ : deadlineOf(options_.limits, Clock::now());
        moveFailed_ = false;
    }

    bool seekOverdue() const override {
        {
            std::lock_guard lock(mutex_);
            if (!moveDeadline_)
                return false;
        }
        return !moveAllowed();
    }

    void endSeek() override {
        std::lock_guard lock(mutex_);
        moveDeadline_.reset();
        moveFailed_ = false;
    }

    void cancel() override {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        transfer_->cancel();
        if (seeking_)
            seeking_->cancel();
    }

    void endOpening() override {
        opening_ = false;
        current()->endOpening();
    }

    HttpFailure failure() const override { return current()->failure(); }

    void setMetadataHandler(std::function<void(const std::string&)> handler) override {
        metadata_->setHandler(std::move(handler));
        const auto transfer = current();
        if (transfer->finished())
            metadata_->deliverPending();
        else
            transfer->wake();
    }

private:
    std::shared_ptr<CurlTransfer> current() const {
        std::lock_guard lock(mutex_);
        return transfer_;
    }

    // A seek while the stream still opens (the demuxer looking at its end)
    // keeps the open's deadline; a later one gets as long again to its
    // answer, and the abort check holds until then.
    TransferOptions transferOptions(int64_t rangeStart) const {
        TransferOptions options;
        options.url = url_;
        options.rangeStart = rangeStart;
        options.limits = options_.limits;
        std::lock_guard lock(mutex_);
        options.deadline = moveDeadline_ ? *moveDeadline_
                           : opening_    ? deadline_
                                         : deadlineOf(options_.limits, Clock::now());
        return options;
    }

    // False when the seek this move belongs to has failed or run out of
    // time, or the program is closing.
    bool moveAllowed() const {
        {
            std::lock_guard lock(mutex_);
            if (moveFailed_ || (moveDeadline_ && Clock::now() >= *moveDeadline_))
                return false;
        }
        return !(options_.limits.abortRequested && options_.limits.abortRequested());
    }

    HttpOpenOptions options_;
    Clock::time_point deadline_;
    std::shared_ptr<MetadataChannel> metadata_;
    mutable std::mutex mutex_;
    std::shared_ptr<CurlTransfer> transfer_;
    std::shared_ptr<CurlTransfer> seeking_; // the transfer a seek waits for
    bool cancelled_ = false;
    std::optional<Clock::time_point> moveDeadline_; // of the seek under way
    bool moveFailed_ = false;
    std::atomic<bool> opening_{true};
    std::vector<std::string> httpHeaders_;
    std::vector<std::string> icyHeaders_;
    std::string contentType_;
    int64_t contentLength_ = -1;
    std::string url_;
    std::atomic<bool> seekable_{false};
};

} // namespace

std::unique_ptr<HttpSource> HttpSource::open(const std::string& url, const HttpOpenOptions& opts,
                                             HttpFailure* failure) {
    HttpFailure ignored;
    HttpFailure& result = failure ? *failure : ignored;
    result = {};
    if (!isHttpUrl(url)) {
        result = {HttpOpenError::BadUrl, "only http and https"};
        return nullptr;
    }
    const Clock::time_point deadline = deadlineOf(opts.limits, Clock::now());
    std::set<std::string> visited;
    std::string next = url;
    for (int hop = 0; hop <= maxPlaylistHops; ++hop) {
        auto metadata = std::make_shared<MetadataChannel>();
        TransferOptions options;
        options.url = next;
        options.limits = opts.limits;
        options.deadline = deadline;
        auto transfer = std::make_shared<CurlTransfer>(options, metadata);
        result = transfer->waitForHeaders();
        if (result)
            return nullptr;
        if (!isPlaylistResponse(transfer->headers().contentType(), transfer->effectiveUrl()))
            return std::make_unique<CurlHttpSource>(opts, deadline, std::move(metadata),
                                                    std::move(transfer));
        visited.insert(next);
        visited.insert(transfer->effectiveUrl());
        const auto text = opts.followPlaylists ? readPlaylist(*transfer) : std::nullopt;
        if (!text && transfer->failure()) {
            result = transfer->failure();
            return nullptr;
        }
        const auto link = text ? firstStreamLocation(*text) : std::nullopt;
        if (!link || visited.count(*link))
            break;
        next = *link;
    }
    result = {HttpOpenError::NotAudio, "a playlist that leads to no stream"};
    return nullptr;
}

} // namespace audio::net
