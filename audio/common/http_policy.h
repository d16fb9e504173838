// The one policy of the HTTP client, for feeds, station probes and streams
// alike: http and https only, TLS verified, a connect timeout, a stall
// timeout, an overall deadline, a size cap, one redirect limit, no cache.
// The limits are values so that tests can pass short ones. Value types only:
// the player, the engine and the codec module all use them (the module
// receives them through the C table, codecs/codec_abi.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace audio::net {

// Redirects followed by one request (playlist links are counted apart).
constexpr long kMaxRedirects = 5;
// How often a blocking operation looks at its deadline and its abort check.
constexpr long kCheckIntervalMs = 100;

struct HttpLimits {
    long connectTimeoutMs = 5000;
    long stallTimeoutMs = 15000; // no byte at all for this long ends the transfer
    // The whole operation, whatever the server sends (0: none). A stream's
    // deadline ends with its first audio.
    long deadlineMs = 0;
    int64_t maxBodyBytes = 0; // 0: no cap
    // Asked at least every kCheckIntervalMs while the deadline holds; true
    // ends the operation at once (the program is closing).
    std::function<bool()> abortRequested;

    // A whole document (a feed): 30 s in all, 64 MiB at most.
    static HttpLimits document() { return withDeadline(30000, int64_t(64) << 20); }
    // The response headers of a station: 10 s in all.
    static HttpLimits probe() { return withDeadline(10000, 0); }
    // A stream: 10 s from the request to its first audio.
    static HttpLimits stream() { return withDeadline(10000, 0); }

private:
    static HttpLimits withDeadline(long deadline, int64_t maxBody) {
        HttpLimits limits;
        limits.deadlineMs = deadline;
        limits.maxBodyBytes = maxBody;
        return limits;
    }
};

enum class HttpOpenError {
    None,
    BadUrl,     // not http or https, or malformed
    Connect,    // no connection, or it broke
    Timeout,    // the stall timeout passed without a byte
    Deadline,   // the overall deadline passed
    Aborted,    // the abort check said so
    HttpStatus, // an error status, or no valid answer
    Tls,
    TooLarge,   // beyond the size cap
    NotAudio,   // a playlist without a stream, or a stream without audio
    Refused,    // a content type this use does not take
    Unavailable // the module that holds the client could not be loaded
};

// Why an operation failed, in words for a log line.
struct HttpFailure {
    HttpOpenError kind = HttpOpenError::None;
    std::string detail; // "HTTP 404 Not Found", libcurl's message, the limit that passed

    explicit operator bool() const { return kind != HttpOpenError::None; }
};

// "deadline: not done within 30000 ms", "HTTP status: HTTP/1.1 404 Not Found".
// Inline: the player and the codec module both use it.
inline std::string describe(const HttpFailure& failure) {
    static constexpr const char* names[] = {"no error", "bad URL",   "connection",  "stall timeout",
                                            "deadline", "aborted",   "HTTP status", "TLS",
                                            "size cap", "not audio", "refused",     "unavailable"};
    std::string text = names[static_cast<int>(failure.kind)];
    if (!failure.detail.empty())
        text += ": " + failure.detail;
    return text;
}

// A whole document (a feed) as fetched.
struct FetchedDocument {
    std::string body;     // empty unless the failure's kind is None
    std::string finalUrl; // after redirects: relative links resolve against it
    HttpFailure failure;
};

// Called on the caller's thread with the running byte count after every 256
// bytes of body, and with the total once more when the body ends inside a
// 256-byte step: a body of 600 bytes reports 256, 512, 600.
using FetchProgress = std::function<void(int64_t total)>;

// The response headers of a station.
struct ProbedHeaders {
    std::vector<std::string> icyLines;  // as HttpSource::icyHeaders()
    std::vector<std::string> httpLines; // as HttpSource::httpHeaders()
    HttpFailure failure;
};

} // namespace audio::net
