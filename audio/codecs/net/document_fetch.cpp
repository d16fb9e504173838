#include "audio/codecs/net/document_fetch.h"

#include "audio/codecs/net/curl_transfer.h"
#include "audio/codecs/net/playlist_link.h"
#include "text/header_text.h"

#include <algorithm>
#include <vector>

namespace audio::net {
namespace {

constexpr int64_t kProgressStep = 256;
constexpr int kReadSize = 1024 * 1024;
// The whole body is kept anyway: a large queue spares the transfer pausing
// and resuming (each a round of thread wake-ups) every few hundred KB.
constexpr size_t kQueueSize = 4 * 1024 * 1024;

bool isStreamType(std::string_view contentType) {
    const std::string type = text::mediaType(contentType);
    return type.rfind("audio/", 0) == 0 || type.rfind("video/", 0) == 0 ||
           type == "application/ogg" || type == "application/x-ogg";
}

// The first Content-Type that names a stream, among every one the answer
// gives (a server may send two, or several in one line); "" when none does.
std::string streamTypeOf(const ResponseHeaders& headers) {
    for (const std::string& value : headers.values("content-type")) {
        for (size_t start = 0; start <= value.size();) {
            const size_t comma = std::min(value.find(',', start), value.size());
            const std::string_view part = std::string_view(value).substr(start, comma - start);
            if (isStreamType(part))
                return std::string(text::trimBlanks(part));
            start = comma + 1;
        }
    }
    return {};
}

// Reports every 256-byte mark that the body passed.
class ProgressSteps {
public:
    explicit ProgressSteps(const FetchProgress& progress) : progress_(progress) {}
    void advance(int64_t total) {
        for (int64_t mark = (reported_ / kProgressStep + 1) * kProgressStep; mark <= total;
             mark += kProgressStep)
            report(mark);
    }
    void finish(int64_t total) {
        if (total != reported_)
            report(total);
    }

private:
    void report(int64_t total) {
        reported_ = total;
        if (progress_)
            progress_(total);
    }
    const FetchProgress& progress_;
    int64_t reported_ = 0;
};

FetchedDocument failed(HttpFailure failure) {
    return {{}, {}, std::move(failure)};
}

} // namespace

FetchedDocument fetchDocument(const std::string& url, const HttpLimits& limits,
                              const FetchProgress& progress) {
    if (!isHttpUrl(url))
        return failed({HttpOpenError::BadUrl, "only http and https"});
    TransferOptions options;
    options.url = url;
    options.limits = limits;
    if (limits.deadlineMs > 0)
        options.deadline =
            TransferOptions::Clock::now() + std::chrono::milliseconds(limits.deadlineMs);
    options.icyMetadata = false;
    options.bufferCapacity = kQueueSize;
    CurlTransfer transfer(options, std::make_shared<MetadataChannel>());
    if (HttpFailure failure = transfer.waitForHeaders())
        return failed(std::move(failure));
    const std::string type = streamTypeOf(transfer.headers());
    if (!type.empty())
        return failed({HttpOpenError::Refused, "Content-Type " + type + " is not a document"});
    FetchedDocument document;
    const int64_t announced = transfer.headers().contentLength();
    if (announced > 0 && (limits.maxBodyBytes <= 0 || announced <= limits.maxBodyBytes))
        document.body.reserve(static_cast<size_t>(announced));
    ProgressSteps steps(progress);
    std::vector<uint8_t> chunk(kReadSize);
    for (;;) {
        const int count = transfer.read(chunk.data(), kReadSize);
        if (count < 0) {
            HttpFailure failure = transfer.failure();
            if (!failure)
                failure = {HttpOpenError::Connect, "the transfer broke off"};
            return failed(std::move(failure));
        }
        if (count == 0)
            break;
        document.body.append(reinterpret_cast<const char*>(chunk.data()),
                             static_cast<size_t>(count));
        steps.advance(static_cast<int64_t>(document.body.size()));
    }
    steps.finish(static_cast<int64_t>(document.body.size()));
    document.finalUrl = transfer.effectiveUrl();
    return document;
}

} // namespace audio::net
