// A station's answer as the network stream reads it: the header block (sent
// by libcurl line by line, or inside the body after an "ICY 200 OK"), the
// body with its ICY metadata blocks every icy-metaint bytes, the StreamTitle
// of each block, and the playlist link (.pls/.m3u) that option 21 follows.
#include "fuzz_support.h"
#include "fuzz_targets.h"

#include "audio/codecs/net/icy_metadata_filter.h"
#include "audio/codecs/net/playlist_link.h"
#include "audio/codecs/net/response_headers.h"
#include "playback/track_title.h"

#include <string>
#include <string_view>
#include <vector>

namespace {

using fuzzsupport::check;
using namespace audio::net;

// What the filter made of a body: the audio bytes and the metadata texts.
struct Filtered {
    std::string audio;
    std::vector<std::string> texts;
    bool operator==(const Filtered&) const = default;
};

std::string_view WithoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    return line;
}

// The header lines libcurl hands over one by one; returns where the body starts.
size_t ReadCurlHeaders(std::string_view answer, ResponseHeaders& headers) {
    size_t pos = 0;
    bool first = true;
    while (pos < answer.size()) {
        const size_t end = answer.find('\n', pos);
        const size_t next = end == std::string_view::npos ? answer.size() : end + 1;
        const std::string_view line = WithoutLineEnd(answer.substr(pos, next - pos));
        pos = next;
        if (first)
            headers.begin(line);
        else if (line.empty())
            break;
        else
            headers.add(line);
        first = false;
    }
    return pos;
}

// An "ICY 200 OK" answer over HTTP/0.9: the block arrives in body pieces.
size_t ReadBodyHeaders(std::string_view answer, size_t piece, ResponseHeaders& headers) {
    IcyHeaderBlock block;
    size_t pos = 0;
    while (pos < answer.size() && block.state() == IcyHeaderBlock::State::Incomplete) {
        const size_t size = std::min(piece, answer.size() - pos);
        const size_t used = block.feed(reinterpret_cast<const uint8_t*>(answer.data() + pos), size);
        check(used <= size, "the header block used more than it was given");
        pos += used;
    }
    if (block.state() != IcyHeaderBlock::State::Complete)
        return answer.size();
    check(!block.lines().empty(), "a complete header block without lines");
    headers.begin(block.lines().front());
    for (size_t i = 1; i < block.lines().size(); ++i)
        headers.add(block.lines()[i]);
    return pos;
}

Filtered Filter(std::string_view body, size_t interval, size_t piece) {
    Filtered result;
    IcyMetadataFilter filter(interval);
    for (size_t pos = 0; pos < body.size(); pos += piece) {
        const size_t size = std::min(piece, body.size() - pos);
        filter.feed(
            reinterpret_cast<const uint8_t*>(body.data() + pos), size,
            [&result](const uint8_t* audio, size_t n) {
                result.audio.append(reinterpret_cast<const char*>(audio), n);
            },
            [&result](const std::string& text) { result.texts.push_back(text); });
    }
    return result;
}

void CheckHeaderValues(const ResponseHeaders& headers) {
    (void)headers.contentType();
    (void)headers.acceptsRanges();
    check(headers.contentLength() >= -1, "a negative content length");
    check(headers.metadataInterval() <= 1024 * 1024, "a metadata interval beyond 1 MiB");
    for (const std::string& line : headers.icyLines())
        (void)headers.value(line.substr(0, line.find(':')));
}

void CheckBody(std::string_view body, size_t interval, size_t piece) {
    const Filtered whole = Filter(body, interval, body.size() + 1);
    check(Filter(body, interval, piece) == whole, "the filter depends on how the body is split");
    check(whole.audio.size() <= body.size(), "the filter made audio bytes up");
    if (interval > 0)
        check(whole.texts.size() <= body.size() / (interval + 1), "more metadata blocks than room");
    for (const std::string& text : whole.texts) {
        check(!text.empty() && text.back() != '\0', "a metadata text kept its padding");
        QString title;
        if (playback::StationTitleText(QByteArray::fromStdString(text), &title))
            check(title.size() <= playback::kTitleUnits,
                  "a station title is longer than its buffer");
    }
}

void CheckPlaylistLink(const ResponseHeaders& headers, std::string_view body) {
    (void)isPlaylistResponse(headers.contentType(), headers.value("location"));
    const auto location = firstStreamLocation(std::string(body));
    if (location)
        check(isHttpUrl(*location), "a playlist link that is not http");
}

} // namespace

int fuzzIcyStream(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    // The first byte chooses the size of the pieces the network delivers.
    const size_t piece = 1 + data[0] % 64;
    const std::string_view answer(reinterpret_cast<const char*>(data + 1), size - 1);
    ResponseHeaders headers;
    const bool inBody = answer.starts_with("ICY ");
    const size_t bodyStart =
        inBody ? ReadBodyHeaders(answer, piece, headers) : ReadCurlHeaders(answer, headers);
    check(bodyStart <= answer.size(), "the body starts past the end");
    const std::string_view body = answer.substr(bodyStart);
    CheckHeaderValues(headers);
    CheckBody(body, headers.metadataInterval(), piece);
    CheckPlaylistLink(headers, body);
    return 0;
}
