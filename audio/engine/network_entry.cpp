#include "audio/engine/network_entry.h"

#include "audio/codecs/codec_table.h"

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

} // namespace audio
