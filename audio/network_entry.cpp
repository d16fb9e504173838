#include "network_entry.h"

#include "codec_table.h"

namespace audio {
namespace {

const net::HttpFailure kNoModule{net::HttpOpenError::Unavailable, "the codec module is missing"};

} // namespace

net::FetchedDocument fetchDocument(const std::string& url, const net::HttpLimits& limits,
                                   const net::FetchProgress& progress) {
    const CodecTable* table = codecs();
    if (!table)
        return {{}, {}, kNoModule};
    return table->fetchDocument(url, limits, progress);
}

net::ProbedHeaders probeHeaders(const std::string& url, const net::HttpLimits& limits) {
    const CodecTable* table = codecs();
    if (!table)
        return {{}, {}, kNoModule};
    return table->probeHeaders(url, limits);
}

net::FeedDocument parseFeed(std::string_view document, net::FeedParts parts) {
    const CodecTable* table = codecs();
    return table ? table->parseFeed(document, parts) : net::FeedDocument{};
}

} // namespace audio
