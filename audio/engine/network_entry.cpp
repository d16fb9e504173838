#include "audio/engine/network_entry.h"

#include "audio/engine/codec_module.h"
#include "audio/engine/http_limits_abi.h"

namespace audio {
namespace {

using net::HttpOpenError;
constexpr bool sameKind(HttpOpenError kind, int code) {
    return static_cast<int>(kind) == code;
}
static_assert(sameKind(HttpOpenError::None, QC_HTTP_NONE) &&
              sameKind(HttpOpenError::BadUrl, QC_HTTP_BAD_URL) &&
              sameKind(HttpOpenError::Connect, QC_HTTP_CONNECT) &&
              sameKind(HttpOpenError::Timeout, QC_HTTP_TIMEOUT) &&
              sameKind(HttpOpenError::Deadline, QC_HTTP_DEADLINE) &&
              sameKind(HttpOpenError::Aborted, QC_HTTP_ABORTED) &&
              sameKind(HttpOpenError::HttpStatus, QC_HTTP_STATUS) &&
              sameKind(HttpOpenError::Tls, QC_HTTP_TLS) &&
              sameKind(HttpOpenError::TooLarge, QC_HTTP_TOO_LARGE) &&
              sameKind(HttpOpenError::NotAudio, QC_HTTP_NOT_AUDIO) &&
              sameKind(HttpOpenError::Refused, QC_HTTP_REFUSED) &&
              sameKind(HttpOpenError::Unavailable, QC_HTTP_UNAVAILABLE));

const net::HttpFailure kNoModule{net::HttpOpenError::Unavailable, "the codec module is missing"};

// Where the module's texts go: one of two lists or strings, and the failure.
struct Collected {
    std::string body, finalUrl, failure;
    std::vector<std::string> icyLines, httpLines;
};

void collect(void* context, int32_t kind, const char* text, size_t length) {
    auto& collected = *static_cast<Collected*>(context);
    std::string value(text, length);
    if (kind == QC_TEXT_BODY)
        collected.body = std::move(value);
    else if (kind == QC_TEXT_FINAL_URL)
        collected.finalUrl = std::move(value);
    else if (kind == QC_TEXT_FAILURE)
        collected.failure = std::move(value);
    else if (kind == QC_TEXT_ICY_HEADER)
        collected.icyLines.push_back(std::move(value));
    else if (kind == QC_TEXT_HTTP_HEADER)
        collected.httpLines.push_back(std::move(value));
}

net::HttpFailure failure(int32_t kind, std::string detail) {
    if (kind < QC_HTTP_NONE || kind > QC_HTTP_UNAVAILABLE)
        kind = QC_HTTP_CONNECT;
    return {static_cast<net::HttpOpenError>(kind), std::move(detail)};
}

void reportProgress(void* context, int64_t total) {
    (*static_cast<const net::FetchProgress*>(context))(total);
}

} // namespace

net::FetchedDocument fetchDocument(const std::string& url, const net::HttpLimits& limits,
                                   const net::FetchProgress& progress) {
    const QcCodecTable* table = codecs();
    if (!table)
        return {{}, {}, kNoModule};
    const QcHttpLimits abi = core::toAbi(limits);
    Collected collected;
    const int32_t kind =
        table->fetchDocument(url.data(), url.size(), &abi, progress ? &reportProgress : nullptr,
                             const_cast<net::FetchProgress*>(&progress), &collect, &collected);
    return {std::move(collected.body), std::move(collected.finalUrl),
            failure(kind, std::move(collected.failure))};
}

net::ProbedHeaders probeHeaders(const std::string& url, const net::HttpLimits& limits) {
    const QcCodecTable* table = codecs();
    if (!table)
        return {{}, {}, kNoModule};
    const QcHttpLimits abi = core::toAbi(limits);
    Collected collected;
    const int32_t kind = table->probeHeaders(url.data(), url.size(), &abi, &collect, &collected);
    return {std::move(collected.icyLines), std::move(collected.httpLines),
            failure(kind, std::move(collected.failure))};
}

} // namespace audio
