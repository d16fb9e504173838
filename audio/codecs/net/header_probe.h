// The response headers of a station, for its name: the request follows
// playlist links as a stream would and ends as soon as the headers of the
// stream are in, without decoding anything.
#pragma once

#include "audio/common/http_policy.h"

#include <string>

namespace audio::net {

ProbedHeaders probeHeaders(const std::string& url, const HttpLimits& limits);

} // namespace audio::net
