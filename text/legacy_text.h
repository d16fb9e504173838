// 8-bit texts that carry no encoding of their own: ID3 frames marked
// Latin-1, RIFF INFO items, playlist and list-file lines, station names and
// titles. Their writers used UTF-8, code page 932 (Japanese Windows, a
// superset of Shift-JIS) or Windows-1252 (Western Windows); the bytes
// themselves tell which.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace text {

// Length of the longest leading part that is strict UTF-8: no overlong forms,
// no surrogates, nothing above U+10FFFF, no sequence cut off.
std::size_t validUtf8PrefixLength(std::string_view text);
bool isValidUtf8(std::string_view text);

// The text in UTF-8: the bytes themselves when they are valid UTF-8 of
// assigned characters (C1 controls do not count); otherwise the more
// plausible reading of CP932 and Windows-1252 (legacy_text.cpp says how
// each is judged); nothing when neither decodes every byte.
std::optional<std::string> decodeLegacyTextStrict(std::string_view bytes);

// For tag fields, which are only shown: as decodeLegacyTextStrict, and bytes
// that nothing decodes are read as Windows-1252 with its undefined bytes as
// the C1 controls of Latin-1.
std::string decodeLegacyText(std::string_view bytes);

} // namespace text
