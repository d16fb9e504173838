// Recognises playlist answers (.pls, .m3u) and finds the stream they name.
#pragma once

#include <optional>
#include <string>

namespace audio::net {

// True when the content type names a playlist, or when the URL's path ends in
// .pls or .m3u and the content type does not claim audio.
bool isPlaylistResponse(const std::string& contentType, const std::string& url);

// The first http or https location in a .pls ("FileN=...") or .m3u text.
std::optional<std::string> firstStreamLocation(const std::string& playlistText);

bool isHttpUrl(const std::string& url);

} // namespace audio::net
