// A network byte source for station streams and podcast episodes: libcurl on a
// thread of its own fills a bounded buffer that the decoder reads through an
// AVIOContext. ICY metadata blocks are removed from the audio bytes.
#pragma once

#include "audio/common/http_policy.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace audio::net {

struct HttpOpenOptions {
    bool followPlaylists = true; // a .pls/.m3u answer leads to its first stream
    // The deadline and the abort check hold until endOpening(), across
    // playlist links.
    HttpLimits limits = HttpLimits::stream();
};

class HttpSource {
public:
    // Blocks until the response headers have arrived (following playlist links
    // when asked) or the open failed, and then says why in *failure. Only
    // http and https are accepted.
    static std::unique_ptr<HttpSource> open(const std::string& url, const HttpOpenOptions& opts,
                                            HttpFailure* failure);
    virtual ~HttpSource() = default;

    // Header lines as received, without line ends. An "ICY 200 OK" answer's
    // headers are ICY headers; an HTTP answer's icy-* lines are also listed
    // as ICY headers.
    virtual const std::vector<std::string>& httpHeaders() const = 0;
    virtual const std::vector<std::string>& icyHeaders() const = 0;
    virtual std::string contentType() const = 0;
    // Content-Length when given, else -1 (a live stream).
    virtual int64_t contentLength() const = 0;

    // Reads audio bytes (metadata removed). Blocks until data, end or error;
    // returns 0 at the end, -1 on error or after cancel().
    virtual int read(uint8_t* buffer, int size) = 0;
    // True while the server is taken to honour Range requests: it said
    // "Accept-Ranges: bytes" and has not answered one with the whole body.
    virtual bool seekable() const = 0;
    // Restarts the transfer at a byte offset (a Range request) and returns the
    // new offset, or -1 when the server cannot seek (live streams, servers
    // that ignore Range). A failed seek leaves the transfer where it was.
    // After the open the request has as long as an open to its answer, and
    // the abort check ends it.
    virtual int64_t seek(int64_t offset) = 0;
    // Around the seeks that make one move of the stream (a demuxer may ask
    // for several places): they share that time, and after one has failed
    // or the time has passed the others fail at once.
    virtual void beginSeek() = 0;
    virtual void endSeek() = 0;
    // True while a seek is under way whose move failed or whose time ran
    // out: its reads fail then, so that a demuxer does not read its way to
    // the place instead, at the speed of the network.
    virtual bool seekOverdue() const = 0;
    // Wakes a blocked read and ends the transfer; safe from any thread.
    virtual void cancel() = 0;
    // The stream has its first audio: its open deadline and abort check end.
    virtual void endOpening() = 0;
    // Why reads ended with an error (kind None while they have not).
    virtual HttpFailure failure() const = 0;

    // Called on the network thread with the raw text of each ICY metadata
    // block (e.g. "StreamTitle='x';"), trailing zero padding removed.
    virtual void setMetadataHandler(std::function<void(const std::string&)> handler) = 0;
};

} // namespace audio::net
