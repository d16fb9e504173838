// The response headers of a station, for its name: the request follows
// playlist links as a stream would and ends as soon as the headers of the
// stream are in, without decoding anything.
#pragma once

#include "audio/codecs/net/http_policy.h"

#include <string>
#include <vector>

namespace audio::net {

struct ProbedHeaders {
    std::vector<std::string> icyLines;  // as HttpSource::icyHeaders()
    std::vector<std::string> httpLines; // as HttpSource::httpHeaders()
    HttpFailure failure;
};

ProbedHeaders probeHeaders(const std::string& url, const HttpLimits& limits);

} // namespace audio::net
