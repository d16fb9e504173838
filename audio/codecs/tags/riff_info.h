// Raw texts of a WAV file's RIFF INFO chunk.
#pragma once

#include <map>
#include <string>

namespace audio::tags {

// INFO item id ("IART", "INAM"...) -> its bytes without the terminating
// zero. TagLib's own INFO reader decodes the bytes as UTF-8 and loses those
// of texts in a legacy code page, so the chunk is read here.
std::map<std::string, std::string> readRiffInfo(const std::string& path);

} // namespace audio::tags
