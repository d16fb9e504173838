// Blocking download of a whole resource over http or https, used for podcast
// feeds. Bounded: a connect timeout, a stall timeout, a size cap; always a
// fresh copy from the server (no cache).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

struct FetchLimits {
    long connectTimeoutMs = 5000;
    long stallTimeoutMs = 15000; // no byte for this long fails the download (about 1 s steps)
    int64_t maxBytes = 64 * 1024 * 1024;
};

struct FetchResult {
    bool ok = false;  // false: no data (bad scheme, no connection, error status, cut off)
    std::string body; // empty unless ok
};

// Called with the running byte count after every 256 bytes of body, and with
// the total once more when the body ends inside a 256-byte step: a body of
// 600 bytes reports 256, 512, 600.
using FetchProgress = std::function<void(int64_t total)>;

FetchResult fetchUrl(const std::string& url, const FetchProgress& progress,
                     const FetchLimits& limits = {});

} // namespace platform
