#include "audio/codecs/net/header_probe.h"

#include "audio/codecs/net/http_source.h"

namespace audio::net {

ProbedHeaders probeHeaders(const std::string& url, const HttpLimits& limits) {
    ProbedHeaders probed;
    HttpOpenOptions options;
    options.limits = limits;
    const auto source = HttpSource::open(url, options, &probed.failure);
    if (source) {
        probed.icyLines = source->icyHeaders();
        probed.httpLines = source->httpHeaders();
    }
    return probed;
}

} // namespace audio::net
