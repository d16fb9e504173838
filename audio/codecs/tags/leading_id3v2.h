// The ID3v2 tag a local file starts with, read whole.
#pragma once

#include <string>

namespace audio::tags {

// The ID3v2 tag a file starts with, as far as the file holds it; empty when
// it starts with something else.
std::string leadingId3v2(const std::string& path);

} // namespace audio::tags
