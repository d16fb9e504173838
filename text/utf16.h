// UTF-16 texts handed to the C API (BASS_UNICODE), turned into the bytes
// the file system and the network take.
#pragma once

#include <cstddef>
#include <string>

namespace text {

// Appends the UTF-8 form of one code point.
void appendUtf8(std::string& out, char32_t code);

// Converts UTF-16 to UTF-8. A file name that is not UTF-8 reaches us with
// each byte that is not part of a valid sequence carried as the unpaired
// surrogate U+DC80 + byte; such a unit becomes that byte again, so the path
// opened is the name's own bytes. Any other unpaired surrogate becomes U+FFFD.
std::string utf16ToUtf8(const char16_t* text, std::size_t length);
// The same for a zero-terminated text.
std::string utf16ToUtf8(const char16_t* text);

} // namespace text
