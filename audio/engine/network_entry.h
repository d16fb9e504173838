// The HTTP client's blocking operations for the player: a whole document (a
// feed) with its progress and the headers of a station. They run in the codec
// module, which the first call loads; without it they fail with
// HttpOpenError::Unavailable.
#pragma once

#include "audio/common/http_policy.h"

namespace audio {

net::FetchedDocument fetchDocument(const std::string& url, const net::HttpLimits& limits,
                                   const net::FetchProgress& progress);
net::ProbedHeaders probeHeaders(const std::string& url, const net::HttpLimits& limits);

} // namespace audio
