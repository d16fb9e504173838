// One HTTP transfer driven by libcurl's multi interface on a thread of its
// own, under the client's one policy (http_policy.h). Body bytes (ICY
// metadata removed) go into a bounded queue; when the queue is full the
// transfer pauses until the reader has made room, so memory stays bounded
// however fast the server sends. Until endOpening() the transfer also ends
// at its deadline or when its abort check says so, whatever the server sends.
#pragma once

#include "audio/codecs/net/byte_queue.h"
#include "audio/codecs/net/icy_metadata_filter.h"
#include "audio/codecs/net/metadata_channel.h"
#include "audio/codecs/net/response_headers.h"
#include "audio/common/http_policy.h"

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace audio::net {

struct TransferOptions {
    using Clock = std::chrono::steady_clock;

    std::string url;
    int64_t rangeStart = 0; // a Range request from this byte when > 0
    HttpLimits limits;
    // When the operation this transfer belongs to must be over (its
    // limits.deadlineMs counts from the operation's start, not this request's).
    Clock::time_point deadline = Clock::time_point::max();
    bool icyMetadata = true; // asks for and removes interleaved station metadata
    size_t bufferCapacity = 512 * 1024;
};

class CurlTransfer {
public:
    CurlTransfer(TransferOptions options, std::shared_ptr<MetadataChannel> metadata);
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    // Blocks until the final response's headers are in or the transfer failed;
    // a failure of kind None means the headers are in.
    HttpFailure waitForHeaders();
    // Valid once waitForHeaders() returned None.
    const ResponseHeaders& headers() const { return headers_; }
    const std::string& effectiveUrl() const { return effectiveUrl_; }

    int read(uint8_t* buffer, int size);
    // Why the transfer failed (kind None while it has not).
    HttpFailure failure() const;
    void cancel();
    // The stream has its first audio: the deadline and the abort check no
    // longer apply.
    void endOpening();
    // Wakes the network thread (e.g. to deliver metadata kept for a handler).
    void wake();
    bool finished() const;

private:
    enum class HeaderState { Pending, Ready, Failed };
    using Clock = std::chrono::steady_clock;

    static size_t headerCallback(char* data, size_t size, size_t count, void* self);
    static size_t writeCallback(char* data, size_t size, size_t count, void* self);
    size_t onHeaderLine(std::string_view line);
    size_t onBody(const uint8_t* data, size_t size);
    bool readInBodyHeaders(const uint8_t*& data, size_t& size);
    bool finishHeaders();
    void fail(HttpFailure failure);
    void configure(const TransferOptions& options);

    void run();
    bool stepOnce();
    void resumeIfAsked();
    std::optional<CURLcode> completedResult();
    void finish(CURLcode result);
    void finishWith(bool ok, HttpFailure failure);
    std::optional<HttpFailure> openingLimitReached() const;
    int pollWaitMs() const;

    CURLM* multi_ = nullptr;
    CURL* easy_ = nullptr;
    struct curl_slist* requestHeaders_ = nullptr;
    const size_t capacity_;
    const std::chrono::milliseconds stallTimeout_;
    const Clock::time_point deadline_;
    const HttpLimits limits_;
    const bool icyMetadata_;
    std::shared_ptr<MetadataChannel> metadata_;
    char errorText_[CURL_ERROR_SIZE] = {};

    // Network thread only.
    bool expectStatusLine_ = true;
    bool sawStatusLine_ = false;
    bool headersDone_ = false;
    size_t headerBytes_ = 0; // of every response and trailer, for the cap
    IcyHeaderBlock inBodyHeaders_;
    std::optional<IcyMetadataFilter> filter_;
    Clock::time_point lastActivity_;
    int64_t bodyBytes_ = 0; // as received, for the cap

    // Written by the network thread before the headers are announced, then
    // only read.
    ResponseHeaders headers_;
    std::string effectiveUrl_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    HeaderState headerState_ = HeaderState::Pending;
    HttpFailure failure_;
    ByteQueue queue_;
    bool paused_ = false;
    bool resumeAsked_ = false;
    bool finished_ = false;
    bool finishedOk_ = false;
    bool cancelled_ = false;
    std::atomic<bool> opening_{true};

    std::thread thread_;
};

} // namespace audio::net
