#include "net/playlist_link.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <sstream>
#include <string_view>

namespace audio::net {
namespace {

std::string lower(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

std::string mediaType(const std::string& contentType) {
    std::string type = lower(contentType.substr(0, contentType.find(';')));
    type.erase(type.find_last_not_of(" \t") + 1);
    return type;
}

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string urlPath(const std::string& url) {
    return lower(url.substr(0, url.find_first_of("?#")));
}

std::string_view trimmed(std::string_view line) {
    const auto first = line.find_first_not_of(" \t\r\xEF\xBB\xBF");
    if (first == std::string_view::npos)
        return {};
    const auto last = line.find_last_not_of(" \t\r");
    return line.substr(first, last - first + 1);
}

std::string_view entryLocation(std::string_view line) {
    const auto equals = line.find('=');
    if (equals != std::string_view::npos && lower(line.substr(0, 4)) == "file")
        return trimmed(line.substr(equals + 1));
    return line;
}

} // namespace

bool isPlaylistResponse(const std::string& contentType, const std::string& url) {
    static constexpr std::array playlistTypes = {
        "audio/x-scpls",   "audio/scpls",   "application/pls+xml",
        "audio/x-mpegurl", "audio/mpegurl", "application/x-mpegurl",
    };
    const std::string type = mediaType(contentType);
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
    const std::string head = lower(url.substr(0, 8));
    return head.rfind("http://", 0) == 0 || head == "https://";
}

} // namespace audio::net
