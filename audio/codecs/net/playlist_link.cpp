#include "audio/codecs/net/playlist_link.h"

#include "text/header_text.h"

#include <algorithm>
#include <array>
#include <sstream>
#include <string_view>

namespace audio::net {
namespace {

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string urlPath(const std::string& url) {
    return text::lowerAscii(url.substr(0, url.find_first_of("?#")));
}

// A line without blanks, line end or byte order mark around it.
std::string_view trimmed(std::string_view line) {
    return text::trimBlanks(line, " \t\r\xEF\xBB\xBF");
}

std::string_view entryLocation(std::string_view line) {
    const auto equals = line.find('=');
    if (equals != std::string_view::npos && text::startsWithNoCase(line, "file"))
        return trimmed(line.substr(equals + 1));
    return line;
}

} // namespace

bool isPlaylistResponse(const std::string& contentType, const std::string& url) {
    static constexpr std::array playlistTypes = {
        "audio/x-scpls",   "audio/scpls",   "application/pls+xml",
        "audio/x-mpegurl", "audio/mpegurl", "application/x-mpegurl",
    };
    const std::string type = text::mediaType(contentType);
    if (std::find(playlistTypes.begin(), playlistTypes.end(), type) != playlistTypes.end())
        return true;
    const std::string path = urlPath(url);
    const bool playlistName = endsWith(path, ".pls") || endsWith(path, ".m3u");
    return playlistName && type.rfind("audio/", 0) != 0;
}

std::optional<std::string> firstStreamLocation(const std::string& playlistText) {
    std::istringstream lines(playlistText);
    std::string line;
    while (std::getline(lines, line)) {
        const std::string location(entryLocation(trimmed(line)));
        if (isHttpUrl(location))
            return location;
    }
    return std::nullopt;
}

bool isHttpUrl(const std::string& url) {
    return text::startsWithNoCase(url, "http://") || text::startsWithNoCase(url, "https://");
}

} // namespace audio::net
