// Decoding of 8-bit tag texts that carry no reliable encoding.
#pragma once

#include <string>
#include <string_view>

namespace audio::tags {

bool isValidUtf8(std::string_view text);

// Bytes from an ID3 frame marked Latin-1, an ID3v1 tag or a RIFF INFO chunk.
// Players on Japanese Windows wrote such texts in code page 932, so: bytes
// that are valid UTF-8 stay as they are, otherwise they are decoded from
// CP932, and bytes that are not CP932 either are read as Latin-1.
std::string decodeLegacyText(const std::string& bytes);

} // namespace audio::tags
