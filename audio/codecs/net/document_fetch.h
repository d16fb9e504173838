// A whole document (a podcast feed) downloaded over http or https, blocking
// the caller: under the client's policy with HttpLimits::document() (or the
// limits given), reporting progress per 256 bytes. Audio and video answers
// are refused as soon as their headers are in: they are streams, not
// documents, and a live one would run until the size cap.
#pragma once

#include "audio/common/http_policy.h"

#include <string>

namespace audio::net {

FetchedDocument fetchDocument(const std::string& url, const HttpLimits& limits,
                              const FetchProgress& progress);

} // namespace audio::net
