#include "audio/codecs/net/response_headers.h"

#include "text/header_text.h"

#include <algorithm>
#include <charconv>

namespace audio::net {
namespace {

int64_t parseNumber(std::string_view text, int64_t fallback) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0)
        return fallback;
    return value;
}

int parseStatus(std::string_view line) {
    const auto space = line.find(' ');
    if (space == std::string_view::npos)
        return 0;
    const auto code = text::trimBlanks(line.substr(space + 1)).substr(0, 3);
    return static_cast<int>(parseNumber(code, 0));
}

// True when the header line is named `name` (any letter case; blanks before
// the colon, which some servers send, are ignored).
bool isNamed(std::string_view line, std::string_view name) {
    const auto colon = line.find(':');
    return colon != std::string_view::npos &&
           text::lowerAscii(text::trimBlanks(line.substr(0, colon))) == text::lowerAscii(name);
}

std::string valueOf(std::string_view line) {
    return std::string(text::trimBlanks(line.substr(line.find(':') + 1)));
}

} // namespace

void ResponseHeaders::begin(std::string_view statusLine) {
    *this = ResponseHeaders();
    statusLine_ = std::string(statusLine);
    icy_ = text::startsWithNoCase(statusLine, "ICY ");
    status_ = parseStatus(statusLine);
    (icy_ ? icyLines_ : httpLines_).emplace_back(statusLine);
}

void ResponseHeaders::add(std::string_view line) {
    lines_.emplace_back(line);
    if (icy_ || text::startsWithNoCase(line, "icy-"))
        icyLines_.emplace_back(line);
    if (!icy_)
        httpLines_.emplace_back(line);
}

std::string ResponseHeaders::value(std::string_view name) const {
    for (const auto& line : lines_) {
        if (isNamed(line, name))
            return valueOf(line);
    }
    return {};
}

std::vector<std::string> ResponseHeaders::values(std::string_view name) const {
    std::vector<std::string> found;
    for (const auto& line : lines_) {
        if (isNamed(line, name))
            found.push_back(valueOf(line));
    }
    return found;
}

bool ResponseHeaders::has(std::string_view name) const {
    return std::any_of(lines_.begin(), lines_.end(),
                       [name](const std::string& line) { return isNamed(line, name); });
}

std::string ResponseHeaders::contentType() const {
    return value("content-type");
}

int64_t ResponseHeaders::contentLength() const {
    return has("content-length") ? parseNumber(value("content-length"), -1) : -1;
}

size_t ResponseHeaders::metadataInterval() const {
    // Anything beyond a sane interval is treated as no metadata at all rather
    // than as a block boundary that would never come.
    const int64_t interval = parseNumber(value("icy-metaint"), 0);
    return interval <= 1024 * 1024 ? static_cast<size_t>(interval) : 0;
}

bool ResponseHeaders::acceptsRanges() const {
    return text::startsWithNoCase(value("accept-ranges"), "bytes") || status_ == 206;
}

size_t IcyHeaderBlock::feed(const uint8_t* data, size_t size) {
    size_t used = 0;
    while (used < size && state_ == State::Incomplete) {
        const char c = static_cast<char>(data[used++]);
        ++consumed_;
        if (c == '\n') {
            endLine();
        } else {
            line_.push_back(c);
            if (lines_.empty() && line_.size() == 4 && !text::startsWithNoCase(line_, "ICY "))
                state_ = State::Invalid;
        }
        if (state_ == State::Incomplete && consumed_ > maxBlockSize)
            state_ = State::Invalid;
    }
    return used;
}

void IcyHeaderBlock::endLine() {
    if (!line_.empty() && line_.back() == '\r')
        line_.pop_back();
    if (line_.empty())
        state_ = lines_.empty() ? State::Invalid : State::Complete;
    else if (lines_.empty() && !text::startsWithNoCase(line_, "ICY "))
        state_ = State::Invalid;
    else
        lines_.push_back(std::move(line_));
    line_.clear();
}

} // namespace audio::net
