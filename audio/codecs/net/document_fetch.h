// A whole document (a podcast feed) downloaded over http or https, blocking
// the caller: under the client's policy with HttpLimits::document() (or the
// limits given), reporting progress per 256 bytes. Audio and video answers
// are refused as soon as their headers are in: they are streams, not
// documents, and a live one would run until the size cap.
#pragma once

#include "audio/codecs/net/http_policy.h"

#include <cstdint>
#include <functional>
#include <string>

namespace audio::net {

struct FetchedDocument {
    std::string body;     // empty unless the failure's kind is None
    std::string finalUrl; // after redirects: relative links resolve against it
    HttpFailure failure;
};

// Called on the caller's thread with the running byte count after every 256
// bytes of body, and with the total once more when the body ends inside a
// 256-byte step: a body of 600 bytes reports 256, 512, 600.
using FetchProgress = std::function<void(int64_t total)>;

FetchedDocument fetchDocument(const std::string& url, const HttpLimits& limits,
                              const FetchProgress& progress);

} // namespace audio::net
