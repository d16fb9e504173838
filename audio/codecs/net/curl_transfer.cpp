#include "audio/codecs/net/curl_transfer.h"

#include "audio/codecs/net/curl_global.h"

#include <algorithm>
#include <vector>

namespace audio::net {
namespace {

// Header lines are kept in memory: a server that sends them without end is
// cut off here, whatever limit the installed libcurl has of its own.
constexpr size_t kMaxHeaderBytes = 64 * 1024;

HttpOpenError kindOf(CURLcode result) {
    switch (result) {
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
        return HttpOpenError::BadUrl;
    case CURLE_OPERATION_TIMEDOUT:
        return HttpOpenError::Timeout;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
        return HttpOpenError::Tls;
    case CURLE_FILESIZE_EXCEEDED:
        return HttpOpenError::TooLarge;
    case CURLE_TOO_MANY_REDIRECTS:
    case CURLE_HTTP_RETURNED_ERROR:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_RANGE_ERROR:
        return HttpOpenError::HttpStatus;
    default:
        return HttpOpenError::Connect;
    }
}

std::string_view withoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    return line;
}

std::string millis(std::chrono::milliseconds time) {
    return std::to_string(time.count()) + " ms";
}

} // namespace

CurlTransfer::CurlTransfer(TransferOptions options, std::shared_ptr<MetadataChannel> metadata)
    : capacity_(options.bufferCapacity), stallTimeout_(options.limits.stallTimeoutMs),
      deadline_(options.deadline), limits_(options.limits), icyMetadata_(options.icyMetadata),
      metadata_(std::move(metadata)) {
    ensureCurlInitialised();
    multi_ = curl_multi_init();
    easy_ = curl_easy_init();
    configure(options);
    curl_multi_add_handle(multi_, easy_);
    lastActivity_ = Clock::now();
    thread_ = std::thread([this] { run(); });
}

CurlTransfer::~CurlTransfer() {
    cancel();
    thread_.join();
    curl_multi_remove_handle(multi_, easy_);
    curl_easy_cleanup(easy_);
    curl_multi_cleanup(multi_);
    curl_slist_free_all(requestHeaders_);
}

void CurlTransfer::configure(const TransferOptions& options) {
    // Always a fresh copy from the server, never one a proxy kept.
    requestHeaders_ = curl_slist_append(nullptr, "Cache-Control: no-cache");
    requestHeaders_ = curl_slist_append(requestHeaders_, "Pragma: no-cache");
    if (options.icyMetadata)
        requestHeaders_ = curl_slist_append(requestHeaders_, "Icy-MetaData: 1");
    curl_easy_setopt(easy_, CURLOPT_URL, options.url.c_str());
    curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy_, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS, options.limits.connectTimeoutMs);
    if (options.limits.maxBodyBytes > 0) // refuses an announced length beyond the cap at once
        curl_easy_setopt(easy_, CURLOPT_MAXFILESIZE_LARGE,
                         static_cast<curl_off_t>(options.limits.maxBodyBytes));
    // Shoutcast-style servers answer "ICY 200 OK", which libcurl only passes
    // on (as body) when HTTP/0.9 answers are allowed.
    curl_easy_setopt(easy_, CURLOPT_HTTP09_ALLOWED, 1L);
    curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, requestHeaders_);
    curl_easy_setopt(easy_, CURLOPT_USERAGENT, "Quaverly");
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy_, CURLOPT_BUFFERSIZE, 64L * 1024);
    curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, errorText_);
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &CurlTransfer::headerCallback);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &CurlTransfer::writeCallback);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
    if (options.rangeStart > 0)
        curl_easy_setopt(easy_, CURLOPT_RESUME_FROM_LARGE,
                         static_cast<curl_off_t>(options.rangeStart));
}

HttpFailure CurlTransfer::waitForHeaders() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return headerState_ != HeaderState::Pending || cancelled_; });
    if (headerState_ == HeaderState::Ready)
        return {};
    if (headerState_ == HeaderState::Failed)
        return failure_;
    return {HttpOpenError::Connect, "cancelled"};
}

int CurlTransfer::read(uint8_t* buffer, int size) {
    if (size <= 0)
        return 0;
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return cancelled_ || !queue_.empty() || finished_; });
    if (cancelled_)
        return -1;
    if (queue_.empty())
        return finishedOk_ ? 0 : -1;
    const size_t count = queue_.take(buffer, static_cast<size_t>(size));
    if (paused_ && !resumeAsked_ && queue_.size() < capacity_ / 2) {
        resumeAsked_ = true;
        lock.unlock();
        curl_multi_wakeup(multi_);
    }
    return static_cast<int>(count);
}

HttpFailure CurlTransfer::failure() const {
    std::lock_guard lock(mutex_);
    return failure_;
}

void CurlTransfer::cancel() {
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    changed_.notify_all();
    curl_multi_wakeup(multi_);
}

void CurlTransfer::endOpening() {
    opening_ = false;
}

void CurlTransfer::wake() {
    curl_multi_wakeup(multi_);
}

bool CurlTransfer::finished() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

size_t CurlTransfer::headerCallback(char* data, size_t size, size_t count, void* self) {
    auto* transfer = static_cast<CurlTransfer*>(self);
    return transfer->onHeaderLine(std::string_view(data, size * count)) == 0 ? 0 : size * count;
}

size_t CurlTransfer::writeCallback(char* data, size_t size, size_t count, void* self) {
    return static_cast<CurlTransfer*>(self)->onBody(reinterpret_cast<const uint8_t*>(data),
                                                    size * count);
}

// Returns 0 to abort the transfer, anything else to go on.
size_t CurlTransfer::onHeaderLine(std::string_view raw) {
    lastActivity_ = Clock::now();
    headerBytes_ += raw.size();
    if (headerBytes_ > kMaxHeaderBytes) {
        fail({HttpOpenError::HttpStatus,
              "headers beyond " + std::to_string(kMaxHeaderBytes) + " bytes"});
        return 0;
    }
    if (headersDone_)
        return 1; // trailers of a chunked body: the headers are published already
    const std::string_view line = withoutLineEnd(raw);
    if (expectStatusLine_) {
        expectStatusLine_ = false;
        sawStatusLine_ = true;
        headers_.begin(line);
        return 1;
    }
    if (!line.empty()) {
        headers_.add(line);
        return 1;
    }
    const int status = headers_.status();
    const bool interim = status >= 100 && status < 200;
    const bool redirect = status >= 300 && status < 400 && headers_.has("location");
    if (interim || redirect) {
        expectStatusLine_ = true; // libcurl goes on with the next response
        return 1;
    }
    return finishHeaders() ? 1 : 0;
}

bool CurlTransfer::finishHeaders() {
    const int status = headers_.status();
    if (status < 200 || status >= 300) {
        fail({HttpOpenError::HttpStatus, headers_.statusLine()});
        return false;
    }
    char* url = nullptr;
    curl_easy_getinfo(easy_, CURLINFO_EFFECTIVE_URL, &url);
    effectiveUrl_ = url ? url : "";
    filter_.emplace(icyMetadata_ ? headers_.metadataInterval() : 0);
    headersDone_ = true;
    {
        std::lock_guard lock(mutex_);
        headerState_ = HeaderState::Ready;
    }
    changed_.notify_all();
    return true;
}

// The first cause wins: what follows from it (an aborted transfer) says less.
void CurlTransfer::fail(HttpFailure failure) {
    {
        std::lock_guard lock(mutex_);
        if (headerState_ == HeaderState::Pending)
            headerState_ = HeaderState::Failed;
        if (!failure_)
            failure_ = std::move(failure);
    }
    changed_.notify_all();
}

size_t CurlTransfer::onBody(const uint8_t* data, size_t size) {
    {
        std::lock_guard lock(mutex_);
        if (cancelled_ || failure_)
            return 0;
        if (queue_.size() >= capacity_) {
            paused_ = true;
            return CURL_WRITEFUNC_PAUSE;
        }
    }
    lastActivity_ = Clock::now();
    const size_t received = size;
    bodyBytes_ += static_cast<int64_t>(size);
    if (limits_.maxBodyBytes > 0 && bodyBytes_ > limits_.maxBodyBytes) {
        fail({HttpOpenError::TooLarge,
              "more than " + std::to_string(limits_.maxBodyBytes) + " bytes"});
        return 0;
    }
    if (!sawStatusLine_ && !readInBodyHeaders(data, size))
        return 0;
    std::vector<std::string> texts;
    std::unique_lock lock(mutex_);
    if (filter_)
        filter_->feed(
            data, size, [this](const uint8_t* audio, size_t n) { queue_.append(audio, n); },
            [&texts](const std::string& text) { texts.push_back(text); });
    lock.unlock();
    changed_.notify_all();
    for (const auto& text : texts)
        metadata_->publish(text);
    return received;
}

// An HTTP/0.9-style answer: the "ICY 200 OK" status line and its headers
// come first in the body. Advances data past them once they are complete.
bool CurlTransfer::readInBodyHeaders(const uint8_t*& data, size_t& size) {
    if (inBodyHeaders_.state() != IcyHeaderBlock::State::Incomplete)
        return true;
    const size_t used = inBodyHeaders_.feed(data, size);
    data += used;
    size -= used;
    switch (inBodyHeaders_.state()) {
    case IcyHeaderBlock::State::Incomplete:
        return true;
    case IcyHeaderBlock::State::Invalid:
        fail({HttpOpenError::HttpStatus, "no HTTP or ICY status line"});
        return false;
    case IcyHeaderBlock::State::Complete:
        break;
    }
    const auto& lines = inBodyHeaders_.lines();
    headers_.begin(lines.front());
    for (size_t i = 1; i < lines.size(); ++i)
        headers_.add(lines[i]);
    return finishHeaders();
}

void CurlTransfer::run() {
    while (stepOnce())
        curl_multi_poll(multi_, nullptr, 0, pollWaitMs(), nullptr);
    // finished() is true by now: a handler set after this point is served by
    // the thread that sets it, one set before it is served here.
    metadata_->deliverPending();
}

// One round of the transfer loop; false once the transfer is over.
bool CurlTransfer::stepOnce() {
    {
        std::lock_guard lock(mutex_);
        if (cancelled_) {
            finished_ = true;
            return false;
        }
    }
    if (auto reached = openingLimitReached()) {
        finishWith(false, std::move(*reached));
        return false;
    }
    resumeIfAsked();
    metadata_->deliverPending();
    int running = 0;
    curl_multi_perform(multi_, &running);
    if (const auto result = completedResult()) {
        finish(*result);
        return false;
    }
    bool paused = false;
    {
        std::lock_guard lock(mutex_);
        paused = paused_;
    }
    if (!paused && Clock::now() - lastActivity_ > stallTimeout_) {
        finishWith(false, {HttpOpenError::Timeout, "no data for " + millis(stallTimeout_)});
        return false;
    }
    return true;
}

std::optional<HttpFailure> CurlTransfer::openingLimitReached() const {
    if (!opening_)
        return std::nullopt;
    if (Clock::now() >= deadline_)
        return HttpFailure{HttpOpenError::Deadline,
                           "not done within " + std::to_string(limits_.deadlineMs) + " ms"};
    if (limits_.abortRequested && limits_.abortRequested())
        return HttpFailure{HttpOpenError::Aborted, "the program is closing"};
    return std::nullopt;
}

void CurlTransfer::resumeIfAsked() {
    {
        std::lock_guard lock(mutex_);
        if (!resumeAsked_)
            return;
        resumeAsked_ = false;
        paused_ = false;
    }
    // The time spent paused is the reader's, not the server's.
    lastActivity_ = Clock::now();
    curl_easy_pause(easy_, CURLPAUSE_CONT);
}

std::optional<CURLcode> CurlTransfer::completedResult() {
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
        if (message->msg == CURLMSG_DONE)
            return message->data.result;
    }
    return std::nullopt;
}

void CurlTransfer::finish(CURLcode result) {
    bool complete = false;
    {
        std::lock_guard lock(mutex_);
        complete = headerState_ == HeaderState::Ready;
    }
    if (result == CURLE_OK && complete)
        finishWith(true, {});
    else if (result == CURLE_OK)
        finishWith(false, {HttpOpenError::HttpStatus, "the answer ended inside its headers"});
    else
        finishWith(false, {kindOf(result),
                           errorText_[0] ? std::string(errorText_) : curl_easy_strerror(result)});
}

void CurlTransfer::finishWith(bool ok, HttpFailure failure) {
    if (!ok)
        fail(std::move(failure));
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
        finishedOk_ = ok;
    }
    changed_.notify_all();
}

int CurlTransfer::pollWaitMs() const {
    const auto idle =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastActivity_);
    const auto left = stallTimeout_ - idle;
    const int64_t most = opening_ ? kCheckIntervalMs : 1000;
    return static_cast<int>(std::clamp<int64_t>(left.count() + 1, 1, most));
}

} // namespace audio::net
