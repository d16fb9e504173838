#pragma once

#include <string>

namespace audio::core {

// Converts a zero-terminated UTF-16 text to UTF-8; unpaired surrogates
// become U+FFFD.
std::string utf16ToUtf8(const char16_t* text);

} // namespace audio::core
