// The header lines of one HTTP or ICY response and the values the stream
// needs from them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace audio::net {

class ResponseHeaders {
public:
    // Starts over with a status line ("HTTP/1.1 200 OK" or "ICY 200 OK").
    void begin(std::string_view statusLine);
    void add(std::string_view line);

    int status() const { return status_; }
    const std::string& statusLine() const { return statusLine_; }
    bool isIcy() const { return icy_; }
    const std::vector<std::string>& httpLines() const { return httpLines_; }
    const std::vector<std::string>& icyLines() const { return icyLines_; }

    // The trimmed value of the first header of that name (any letter case,
    // blanks before the colon ignored).
    std::string value(std::string_view name) const;
    // The trimmed values of every header of that name, in order.
    std::vector<std::string> values(std::string_view name) const;
    bool has(std::string_view name) const;
    std::string contentType() const;
    int64_t contentLength() const;
    size_t metadataInterval() const;
    bool acceptsRanges() const;

private:
    int status_ = 0;
    std::string statusLine_;
    bool icy_ = false;
    std::vector<std::string> lines_; // every header line after the status line
    std::vector<std::string> httpLines_;
    std::vector<std::string> icyLines_;
};

// Reads the header block of an "ICY 200 OK" answer that the HTTP client
// handed over as body: lines up to the first empty one.
class IcyHeaderBlock {
public:
    enum class State { Incomplete, Complete, Invalid };

    // Consumes bytes up to the end of the block; returns how many it used.
    size_t feed(const uint8_t* data, size_t size);
    State state() const { return state_; }
    const std::vector<std::string>& lines() const { return lines_; }

private:
    void endLine();

    static constexpr size_t maxBlockSize = 16 * 1024;
    State state_ = State::Incomplete;
    std::string line_;
    size_t consumed_ = 0;
    std::vector<std::string> lines_;
};

} // namespace audio::net
